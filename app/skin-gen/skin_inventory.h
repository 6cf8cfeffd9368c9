// The default skin's inventory: every picture, sound and text resource that the game frame, the
// table view and the side panel load by name, with the size, frame count and look of each
// picture. skin-gen draws and packs from these tables, and the skin test checks the packages
// against them: adding a resource is one row here (and, for a look of its own, one painter).
//
// Names are the resource names the client asks for (GBK at run time, as every text of the
// program); a picture is packed as NAME.pps, a sound as NAME.wav, the emoticon index as a .txt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace skin {

// The package files, written next to the client. The client opens each of them once with
// ObjectServices::OpenResourcePackage.
enum class Package : uint8_t { kFrame, kTable, kSound };
inline constexpr const char* kPackageFiles[] = {"skin-frame.qzr", "skin-table.qzr", "skin-sound.qzr"};
inline constexpr int kPackageCount = 3;

// How a picture is drawn. The painter of each look reads the row's size, frames and caption.
enum class Look : uint8_t {
  // Window chrome and the table cloth.
  kTitleStrip,     // a tile of the title strip
  kBorder,         // a tile of the window's side and bottom borders
  kTitleOrnament,  // a title-strip decoration; caption "left", "middle" or "right"
  kGameIcon,       // the game's icon on the title strip
  kWindowButton,   // caption "min", "max", "fit" or "close"
  kTableTile,      // the felt tiled over the whole window
  kTableHalo,      // the light in the middle of the table
  kTableCorner,    // caption "LT", "RT", "LB" or "RB"
  kSplitterBack,   // the splitter's strip
  kSplitterArrow,  // caption "left" or "right"; frames: normal, hovered
  kTableEmblem,    // the faint emblem in the middle of the table
  // Buttons, four frames each: normal, hovered, pressed, disabled.
  kButtonGold,      // the table's action buttons
  kButtonWood,      // buttons of boards and dialogs
  kButtonSquare,    // the small sort buttons
  kButtonIcon,      // the side panel's system-bar buttons; caption: a character, or "smile"
  kButtonTab,       // the advert bar's tabs
  kButtonClose,     // the red cross of cards and dialogs
  kButtonPage,      // the emoticon picker's paging; caption "prev" or "next"
  kButtonArrow,     // the scroll bars' arrows; caption "up", "down", "left" or "right"
  kButtonDropDown,  // the quick-phrase button of the input bar
  // Cards and the player board.
  kCardBack,
  kCardFace,       // 54 frames, frame f shows the zipai card kind table::FaceKindOfFrame(f)
  kCardCorner,     // the small turned-card mark of the game information box
  kBoardPlate,     // frames: normal, highlighted, hovered
  kScoreBar,       // frames: normal, highlighted
  kStatusIcon,     // a looping status mark; caption: its character
  kBanner,         // a looping banner; caption: its text
  kStamp,          // a one-frame mark of text; caption: its text
  kTextPlate,      // a message plate of one frame; caption: its text
  kAnimatedPlate,  // a message plate that grows in; caption: its text
  kPassHint,       // a note that fades in; caption: its text
  kWaitSign,       // a looping wait note; caption: its text
  kDuanBadge,      // one badge per frame, frame n shows rank n
  kAvatar,         // a player's portrait; caption: the character number and its kind
  // Texts and digits drawn from pictures.
  kDigits,        // frame n: the n-th character of the caption; caption "0123456789+-"...
  kDigitsSilver,  // the same in silver, for the second score display
  kClockDigits,   // the turn clock's digits
  kGlyphStrip,    // frame n: the n-th character (a double-byte one counts once) of the caption
  kLabel,         // one word of text; caption: the text
  // Dialog and box backgrounds.
  kDialog,   // a framed dark panel
  kInfoBox,  // a small framed box on the table
  // The side panel.
  kPanelBar,    // a bar's background; caption "operate", "matchlist" or "input"
  kSystemBar,   // three frames: top, middle, bottom
  kListRow,     // a list row: frame 0 hovered, then alternating shades; caption "user" or "rank"
  kListHeader,  // a piece of a list's head strip
  kDivider,     // a thin upright line between columns
  kScrollCorner,
  kScrollTrack,  // caption "vert" or "horz"
  kScrollThumb,  // caption "vert" or "horz"; frames: normal, hovered, pressed
  kScrollGrip,   // caption "vert" or "horz"
  kInputBox,
  kChatHead,
  kChatBody,
  kMenuIcon,      // caption "silver" or "safe"
  kIconMark,      // a small round mark; caption: its character
  kNoticeTag,     // the system notice tag of chat lines
  kDiamond,       // the member's sparkling diamond
  kEmoticon,      // an emoticon's animation; caption: the emoticon's name
  kEmoticonIcon,  // an emoticon's picker icon; caption: the emoticon's name
};

struct PictureRow {
  const char* name;
  int16_t width;
  int16_t height;
  uint16_t frames;
  Look look;
  Package package;
  const char* caption;
};

// Every named picture but the emoticons and the avatars, which follow from the lists below.
inline constexpr PictureRow kPictures[] = {
    // The title strip, borders and window buttons.
    {"Frame_Top", 32, 25, 1, Look::kTitleStrip, Package::kFrame, ""},
    {"Frame_Bottom", 2560, 4, 1, Look::kBorder, Package::kFrame, "horz"},
    {"Frame_Left", 4, 1600, 1, Look::kBorder, Package::kFrame, "vert"},
    {"Frame_Right", 4, 1600, 1, Look::kBorder, Package::kFrame, "vert"},
    {"FramePatternLeft", 200, 25, 1, Look::kTitleOrnament, Package::kFrame, "left"},
    {"FramePatternMiddle", 240, 25, 1, Look::kTitleOrnament, Package::kFrame, "middle"},
    {"FramePatternRight", 260, 25, 1, Look::kTitleOrnament, Package::kFrame, "right"},
    {"GameIcon", 20, 20, 1, Look::kGameIcon, Package::kFrame, "胡"},
    {"btnFrameMin", 27, 19, 4, Look::kWindowButton, Package::kFrame, "min"},
    {"btnFrameMax", 27, 19, 4, Look::kWindowButton, Package::kFrame, "max"},
    {"btnFrameFit", 27, 19, 4, Look::kWindowButton, Package::kFrame, "fit"},
    {"btnFrameClose", 27, 19, 4, Look::kWindowButton, Package::kFrame, "close"},
    {"btnSet2", 42, 19, 4, Look::kWindowButton, Package::kFrame, "设置"},
    {"btnHelp2", 42, 19, 4, Look::kWindowButton, Package::kFrame, "帮助"},
    {"btnShop2", 42, 19, 4, Look::kWindowButton, Package::kFrame, "商城"},
    // The table cloth under the whole window.
    {"TablePatten", 96, 96, 1, Look::kTableTile, Package::kFrame, ""},
    {"TableHalo", 256, 256, 1, Look::kTableHalo, Package::kFrame, ""},
    {"TableCornerLT", 64, 64, 1, Look::kTableCorner, Package::kFrame, "LT"},
    {"TableCornerRT", 64, 64, 1, Look::kTableCorner, Package::kFrame, "RT"},
    {"TableCornerLB", 64, 64, 1, Look::kTableCorner, Package::kFrame, "LB"},
    {"TableCornerRB", 64, 64, 1, Look::kTableCorner, Package::kFrame, "RB"},
    // The splitter between the table and the side panel.
    {"左右分隔条_bg", 8, 1600, 1, Look::kSplitterBack, Package::kFrame, ""},
    {"箭头右", 8, 64, 2, Look::kSplitterArrow, Package::kFrame, "right"},
    {"箭头左", 8, 64, 2, Look::kSplitterArrow, Package::kFrame, "left"},
    // The player card, notice board and message boards of the frame.
    {"bit_playerdetail", 340, 320, 1, Look::kDialog, Package::kFrame, ""},
    {"btn_redcrossEx", 22, 22, 4, Look::kButtonClose, Package::kFrame, ""},
    {"btn_buycharacter", 96, 26, 4, Look::kButtonWood, Package::kFrame, "购买形象"},
    {"bit_systemboard", 290, 200, 1, Look::kDialog, Package::kFrame, ""},
    {"btn_gameset_ok", 50, 26, 4, Look::kButtonWood, Package::kFrame, "确定"},
    {"btn_gameset_cancel", 50, 26, 4, Look::kButtonWood, Package::kFrame, "取消"},
    {"btn_request_agree", 50, 26, 4, Look::kButtonWood, Package::kFrame, "同意"},
    {"btn_request_refuse", 50, 26, 4, Look::kButtonWood, Package::kFrame, "拒绝"},
    {"bit_SureQuit", 244, 40, 1, Look::kLabel, Package::kFrame, "确定要退出比赛吗？"},
    {"animation_autoplaying", 200, 56, 4, Look::kBanner, Package::kFrame, "托管中"},
    {"bit_Duan", 32, 32, 21, Look::kDuanBadge, Package::kFrame, ""},
    // Match mode: boards, countdown glyphs, sign-up and the result dialog.
    {"animation_WaitArrangeTable", 280, 60, 4, Look::kWaitSign, Package::kFrame, "正在配桌，请稍候"},
    {"animation_WaitCaclRank", 280, 60, 4, Look::kWaitSign, Package::kFrame, "正在计算排名"},
    {"animation_WaitFinal", 280, 60, 4, Look::kWaitSign, Package::kFrame, "等待决赛开始"},
    {"animation_NoSignUp", 280, 60, 4, Look::kWaitSign, Package::kFrame, "您还没有报名"},
    {"animation_MatchBegin", 320, 96, 6, Look::kAnimatedPlate, Package::kFrame, "比赛开始"},
    {"animation_MatchEnd", 320, 96, 6, Look::kAnimatedPlate, Package::kFrame, "比赛结束"},
    {"bit_Washout", 320, 96, 1, Look::kTextPlate, Package::kFrame, "很遗憾，您已被淘汰"},
    {"bit_MatchEnd", 320, 96, 1, Look::kTextPlate, Package::kFrame, "比赛已经结束"},
    {"bit_MatchLate", 320, 96, 1, Look::kTextPlate, Package::kFrame, "比赛已开始，您来晚了"},
    {"bit_SystemCancel", 320, 96, 1, Look::kTextPlate, Package::kFrame, "人数不足，比赛取消"},
    {"bit_SelfCancel", 320, 96, 1, Look::kTextPlate, Package::kFrame, "您已取消报名"},
    {"bit_WaitSignUpCheck", 320, 96, 1, Look::kTextPlate, Package::kFrame, "正在审核报名"},
    {"bit_SystemRejected", 320, 96, 1, Look::kTextPlate, Package::kFrame, "报名未通过审核"},
    {"bit_MatchStarted", 320, 96, 1, Look::kTextPlate, Package::kFrame, "比赛已经开始"},
    {"word_waitmatchstart", 22, 26, 18, Look::kGlyphStrip, Package::kFrame, "比赛倒计时:天时分秒小报名费银两通宝"},
    {"digit_waitmatchstart", 16, 26, 10, Look::kDigits, Package::kFrame, "0123456789"},
    {"word_washturn", 22, 26, 6, Look::kGlyphStrip, Package::kFrame, "定局淘汰第轮"},
    {"word_resttable", 22, 26, 11, Look::kGlyphStrip, Package::kFrame, "还有桌游戏中前名晋级，"},
    {"btn_signup", 96, 34, 4, Look::kButtonGold, Package::kFrame, "报名"},
    {"btn_giveup", 96, 34, 4, Look::kButtonWood, Package::kFrame, "退赛"},
    {"MatchResultDlg", 380, 270, 1, Look::kDialog, Package::kFrame, ""},
    {"digit_MatchRank", 22, 32, 10, Look::kDigits, Package::kFrame, "0123456789"},
    {"char_第", 28, 32, 1, Look::kLabel, Package::kFrame, "第"},
    {"char_名", 28, 32, 1, Look::kLabel, Package::kFrame, "名"},
    {"btn_ExChange", 96, 30, 4, Look::kButtonGold, Package::kFrame, "兑换奖品"},
    {"btn_Award", 96, 30, 4, Look::kButtonGold, Package::kFrame, "领取奖品"},
    // The side panel's bars.
    {"bit_SystemBar", 250, 10, 3, Look::kSystemBar, Package::kFrame, ""},
    {"SystemOperateBar", 250, 40, 1, Look::kPanelBar, Package::kFrame, "operate"},
    {"SystemMatchListBar", 250, 330, 1, Look::kPanelBar, Package::kFrame, "matchlist"},
    {"SystemInputBar", 250, 62, 1, Look::kPanelBar, Package::kFrame, "input"},
    {"SystemUserListBar", 16, 22, 1, Look::kListHeader, Package::kFrame, ""},
    {"UserListBlock", 250, 32, 3, Look::kListRow, Package::kFrame, "user"},
    {"MatchListBlock", 250, 22, 5, Look::kListRow, Package::kFrame, "rank"},
    {"bitHistoryTitle", 70, 22, 1, Look::kListHeader, Package::kFrame, ""},
    {"SystemDivide", 2, 18, 1, Look::kDivider, Package::kFrame, ""},
    {"jf_line", 2, 18, 1, Look::kDivider, Package::kFrame, ""},
    {"滚动角", 16, 16, 1, Look::kScrollCorner, Package::kFrame, ""},
    {"bit_LookOn", 24, 24, 1, Look::kIconMark, Package::kFrame, "观"},
    {"btnFace", 24, 22, 4, Look::kButtonIcon, Package::kFrame, "smile"},
    {"qm清屏按钮", 24, 22, 4, Look::kButtonIcon, Package::kFrame, "清"},
    {"qm截屏按钮", 24, 22, 4, Look::kButtonIcon, Package::kFrame, "截"},
    {"qm投诉按钮", 24, 22, 4, Look::kButtonIcon, Package::kFrame, "诉"},
    {"qm保险箱按钮", 24, 22, 4, Look::kButtonIcon, Package::kFrame, "银"},
    {"InputBoxBkg", 120, 26, 1, Look::kInputBox, Package::kFrame, ""},
    {"btnQuickChat", 22, 22, 4, Look::kButtonDropDown, Package::kFrame, ""},
    {"btnSendChat", 52, 24, 4, Look::kButtonWood, Package::kFrame, "发送"},
    {"SystemChatBox1", 250, 24, 1, Look::kChatHead, Package::kFrame, ""},
    {"SystemChatBox2", 250, 32, 1, Look::kChatBody, Package::kFrame, ""},
    {"btnAdvertTab", 64, 24, 4, Look::kButtonTab, Package::kFrame, "广告"},
    {"btnScoreTab", 64, 24, 4, Look::kButtonTab, Package::kFrame, "积分"},
    {"btnDepositTab", 64, 24, 4, Look::kButtonTab, Package::kFrame, "银两"},
    {"digitUserRank", 12, 18, 10, Look::kDigits, Package::kFrame, "0123456789"},
    {"digitUserRest", 12, 18, 10, Look::kDigits, Package::kFrame, "0123456789"},
    {"bitDivision", 10, 18, 1, Look::kLabel, Package::kFrame, "/"},
    {"快速设银图标", 20, 20, 1, Look::kMenuIcon, Package::kFrame, "silver"},
    {"保险箱图标", 20, 20, 1, Look::kMenuIcon, Package::kFrame, "safe"},
    // The safe-box dialogs and their buttons.
    {"SafeBoxDlg", 300, 190, 1, Look::kDialog, Package::kFrame, ""},
    {"SafeBoxAmountDlg", 260, 170, 1, Look::kDialog, Package::kFrame, ""},
    {"SetDepositDlg", 300, 250, 1, Look::kDialog, Package::kFrame, ""},
    {"KeyResultDlg", 260, 150, 1, Look::kDialog, Package::kFrame, ""},
    {"btn_safebox_save", 60, 26, 4, Look::kButtonWood, Package::kFrame, "存入"},
    {"btn_safebox_take", 60, 26, 4, Look::kButtonWood, Package::kFrame, "取出"},
    {"ScrollBar_VertBack", 16, 48, 1, Look::kScrollTrack, Package::kFrame, "vert"},
    {"ScrollBar_VertBtn", 16, 48, 3, Look::kScrollThumb, Package::kFrame, "vert"},
    {"ScrollBar_VertPattern", 10, 8, 1, Look::kScrollGrip, Package::kFrame, "vert"},
    {"ScrollBar_VertUpBtn", 16, 16, 4, Look::kButtonArrow, Package::kFrame, "up"},
    {"ScrollBar_VertDownBtn", 16, 16, 4, Look::kButtonArrow, Package::kFrame, "down"},
    {"ScrollBar_HorzBack", 48, 16, 1, Look::kScrollTrack, Package::kFrame, "horz"},
    {"ScrollBar_HorzBtn", 48, 16, 3, Look::kScrollThumb, Package::kFrame, "horz"},
    {"ScrollBar_HorzPattern", 8, 10, 1, Look::kScrollGrip, Package::kFrame, "horz"},
    {"ScrollBar_HorzLeftBtn", 16, 16, 4, Look::kButtonArrow, Package::kFrame, "left"},
    {"ScrollBar_HorzRightBtn", 16, 16, 4, Look::kButtonArrow, Package::kFrame, "right"},
    // Chat: the notice tag, the member's diamond and the emoticon picker's paging buttons.
    {"qm系统通知", 34, 16, 1, Look::kNoticeTag, Package::kFrame, "系统"},
    {"qm蓝钻", 16, 16, 4, Look::kDiamond, Package::kFrame, ""},
    {"qzf向前翻页", 30, 30, 4, Look::kButtonPage, Package::kFrame, "prev"},
    {"qzf向后翻页", 30, 30, 4, Look::kButtonPage, Package::kFrame, "next"},
    // The table view: cards. The long zipai cards stand taller than their names say: a seat's
    // played cards then start beyond the turn clock beside its board, and the small cards of the
    // side hands (the 71 wide ones at the largest size) end before it.
    {"牌背面50x68", 50, 68, 1, Look::kCardBack, Package::kTable, ""},
    {"牌背面71x96", 71, 114, 1, Look::kCardBack, Package::kTable, ""},
    {"牌背面82x110", 82, 120, 1, Look::kCardBack, Package::kTable, ""},
    {"牌背面98x132", 98, 132, 1, Look::kCardBack, Package::kTable, ""},
    {"牌正面50x68", 50, 68, 54, Look::kCardFace, Package::kTable, ""},
    {"牌正面71x96", 71, 114, 54, Look::kCardFace, Package::kTable, ""},
    {"牌正面82x110", 82, 120, 54, Look::kCardFace, Package::kTable, ""},
    {"牌正面98x132", 98, 132, 54, Look::kCardFace, Package::kTable, ""},
    // The table view: player boards and their marks.
    {"PlayerBoardSmall", 240, 40, 3, Look::kBoardPlate, Package::kTable, ""},
    {"Player_MatchScore", 100, 18, 2, Look::kScoreBar, Package::kTable, ""},
    {"animation_AutoPlay", 36, 36, 4, Look::kStatusIcon, Package::kTable, "托"},
    {"animation_Offline", 36, 36, 4, Look::kStatusIcon, Package::kTable, "断"},
    {"animation_Ready", 90, 40, 4, Look::kBanner, Package::kTable, "准备"},
    {"不出", 64, 30, 1, Look::kStamp, Package::kTable, "不出"},
    {"digit_restcard", 10, 14, 10, Look::kDigits, Package::kTable, "0123456789"},
    {"word_zhang", 14, 14, 1, Look::kLabel, Package::kTable, "张"},
    // The table view: buttons.
    {"btn_StartGame", 100, 40, 4, Look::kButtonGold, Package::kTable, "开始"},
    {"btnThrow", 72, 34, 4, Look::kButtonGold, Package::kTable, "出牌"},
    {"btnPass", 72, 34, 4, Look::kButtonGold, Package::kTable, "不出"},
    {"btnRemaind", 72, 34, 4, Look::kButtonGold, Package::kTable, "提示"},
    {"btn_Sort1", 28, 28, 4, Look::kButtonSquare, Package::kTable, "单"},
    {"btn_Sort2", 28, 28, 4, Look::kButtonSquare, Package::kTable, "对"},
    {"btn_Sort3", 28, 28, 4, Look::kButtonSquare, Package::kTable, "三"},
    {"btn_SortBomb", 28, 28, 4, Look::kButtonSquare, Package::kTable, "炸"},
    {"btn_SortBig", 28, 28, 4, Look::kButtonSquare, Package::kTable, "大"},
    {"btn_SortSmall", 28, 28, 4, Look::kButtonSquare, Package::kTable, "小"},
    {"btn_SortType", 28, 28, 4, Look::kButtonSquare, Package::kTable, "数"},
    {"btn_AutoPlay", 72, 30, 4, Look::kButtonWood, Package::kTable, "托管"},
    {"btn_CancelAutoPlay", 72, 30, 4, Look::kButtonWood, Package::kTable, "取消托管"},
    {"btn_CheckResult", 66, 30, 4, Look::kButtonWood, Package::kTable, "成绩"},
    {"btn_AskCardView", 66, 30, 4, Look::kButtonWood, Package::kTable, "看牌"},
    // The table view: clock, score digits, notes and boxes. The clock's two digits fit between a
    // side seat's hand and its played cards, and above the own seat's played cards.
    {"digiti_Clock", 14, 22, 10, Look::kClockDigits, Package::kTable, "0123456789"},
    {"digit_Pen", 16, 22, 12, Look::kDigits, Package::kTable, "0123456789+-"},
    {"digit_Pen2", 16, 22, 12, Look::kDigitsSilver, Package::kTable, "0123456789+-"},
    {"过牌提示", 220, 28, 3, Look::kPassHint, Package::kTable, "没有大过上家的牌"},
    {"waitsolo", 220, 44, 4, Look::kWaitSign, Package::kTable, "等待其他玩家"},
    {"bit_BkgPattern", 360, 200, 1, Look::kTableEmblem, Package::kTable, "跑胡子"},
    {"游戏信息框", 170, 70, 1, Look::kInfoBox, Package::kTable, ""},
    {"比赛信息框", 260, 100, 1, Look::kInfoBox, Package::kTable, ""},
    {"str_基础分", 62, 20, 1, Look::kLabel, Package::kTable, "基础分:"},
    {"str_分", 16, 20, 1, Look::kLabel, Package::kTable, "分"},
    {"str_翻牌", 48, 20, 1, Look::kLabel, Package::kTable, "翻牌:"},
    {"牌角", 30, 24, 1, Look::kCardCorner, Package::kTable, ""},
    // The replay bar.
    {"ReplayBar", 300, 44, 1, Look::kInfoBox, Package::kTable, ""},
    {"btn_ReplayPlay", 50, 26, 4, Look::kButtonWood, Package::kTable, "播放"},
    {"btn_ReplayPause", 50, 26, 4, Look::kButtonWood, Package::kTable, "暂停"},
    {"btn_ReplayStep", 50, 26, 4, Look::kButtonWood, Package::kTable, "单步"},
    {"btn_ReplaySpeed", 50, 26, 4, Look::kButtonWood, Package::kTable, "快进"},
};

// Emoticons: each name (two characters, four GBK bytes) gives the animation "qzf" + name, the
// picker icon "qzfs" + name and one entry of the index text. The frame's message boxes use
// 抱歉, 疑问 and 打牌 as icons, and the chat's match welcome line 加油.
inline constexpr const char* kEmoticons[] = {
    "微笑", "大笑", "得意", "害羞", "可爱", "酷毙", "惊讶", "疑问", "思考", "无语", "流泪", "委屈",
    "生气", "发怒", "抱歉", "再见", "睡觉", "晕倒", "鼓掌", "加油", "胜利", "握手", "打牌", "好牌",
};
inline constexpr int16_t kEmoticonSize = 32;
inline constexpr uint16_t kEmoticonFrames = 4;
// The index text: "name=number" entries joined by '|', numbered from 1 in the order above.
inline constexpr const char* kEmoticonIndex = "表情索引.text";

// Portraits "Character%dType%d" for characters 0 .. kAvatarCount - 1, in the three sizes the
// frame asks for (type 1 32 x 32, type 2 48 x 48, type 3 135 x 270). The frame looks a portrait
// up by this name before it tries a file, so these serve every player.
inline constexpr int kAvatarCount = 8;
struct AvatarSize {
  int type;
  int16_t width;
  int16_t height;
};
inline constexpr AvatarSize kAvatarSizes[] = {{1, 32, 32}, {2, 48, 48}, {3, 135, 270}};

// Sounds: short synthesised tones, each a 16-bit mono WAV file.
enum class Tone : uint8_t {
  kTick,      // a soft tick (pointer over a button)
  kClick,     // a button pressed
  kBlip,      // a list row selected
  kCardTap,   // a card put down or picked
  kShuffle,   // a hand sorted
  kArpeggio,  // the table arranged
  kSlap,      // a combination played
  kPass,      // a pass
  kBoom,      // a bomb; stronger for more cards
  kFanfare,   // four jokers, a match won
  kStart,     // a game starts
  kChime,     // a message
  kBell,      // a notice board
  kCall,      // another player calls
  kDingDong,  // a request arrives
  kWhoosh,    // a call sent
};

struct SoundRow {
  const char* name;
  Tone tone;
  uint16_t milliseconds;
  uint8_t strength;  // 1 .. 4, for tones that grow
};

// Both "Snd_msg" and "snd_msg" are asked for: names are matched byte for byte.
inline constexpr SoundRow kSounds[] = {
    {"SndTouchButton", Tone::kTick, 40, 1},  {"SndHitButton", Tone::kClick, 70, 1},
    {"SndSelectBlock", Tone::kBlip, 80, 1},  {"Snd_HitCard", Tone::kCardTap, 70, 1},
    {"snd_sort", Tone::kShuffle, 240, 1},    {"snd_ArrageTable", Tone::kArpeggio, 420, 1},
    {"Snd_Throw", Tone::kSlap, 120, 1},      {"Snd_Pass", Tone::kPass, 260, 1},
    {"Snd_Bomb4", Tone::kBoom, 420, 1},      {"Snd_Bomb5", Tone::kBoom, 520, 2},
    {"Snd_Bomb6", Tone::kBoom, 620, 3},      {"Snd_Bomb78", Tone::kBoom, 760, 4},
    {"Snd_4King", Tone::kFanfare, 700, 1},   {"Snd_GameStart", Tone::kStart, 600, 1},
    {"Snd_GameWin", Tone::kFanfare, 900, 2}, {"Snd_msg", Tone::kChime, 320, 1},
    {"snd_msg", Tone::kChime, 320, 1},       {"snd_dang", Tone::kBell, 600, 1},
    {"SndAhoo", Tone::kCall, 480, 1},        {"SndHi", Tone::kDingDong, 420, 1},
    {"SndFa", Tone::kWhoosh, 280, 1},
};

// One picture as the generator and the test see it, emoticons and portraits included.
struct Picture {
  std::string name;
  int width = 0;
  int height = 0;
  int frames = 1;
  Look look = Look::kLabel;
  Package package = Package::kFrame;
  std::string caption;
};

// Every picture of the skin, in packing order.
inline std::vector<Picture> AllPictures() {
  std::vector<Picture> all;
  for (const PictureRow& r : kPictures)
    all.push_back({r.name, r.width, r.height, r.frames, r.look, r.package, r.caption});
  for (const char* e : kEmoticons) {
    all.push_back(
        {std::string("qzf") + e, kEmoticonSize, kEmoticonSize, kEmoticonFrames, Look::kEmoticon, Package::kFrame, e});
    all.push_back({std::string("qzfs") + e, kEmoticonSize, kEmoticonSize, 1, Look::kEmoticonIcon, Package::kFrame, e});
  }
  for (int c = 0; c < kAvatarCount; ++c) {
    for (const AvatarSize& s : kAvatarSizes) {
      all.push_back({"Character" + std::to_string(c) + "Type" + std::to_string(s.type), s.width, s.height, 1,
                     Look::kAvatar, Package::kFrame, std::to_string(c)});
    }
  }
  return all;
}

// The looks whose pictures cover every pixel (no colour key): tiles and strips.
inline bool IsOpaqueLook(Look look) {
  switch (look) {
    case Look::kTitleStrip:
    case Look::kBorder:
    case Look::kTableTile:
    case Look::kSplitterBack:
    case Look::kPanelBar:
    case Look::kSystemBar:
    case Look::kListRow:
    case Look::kListHeader:
    case Look::kDivider:
    case Look::kScrollCorner:
    case Look::kScrollTrack:
    case Look::kChatHead:
    case Look::kChatBody:
    case Look::kAvatar:
      return true;
    default:
      return false;
  }
}

// The text of the emoticon index.
inline std::string EmoticonIndexText() {
  std::string text;
  int number = 1;
  for (const char* e : kEmoticons) {
    if (!text.empty()) text += '|';
    text += e;
    text += '=';
    text += std::to_string(number++);
  }
  return text;
}

}  // namespace skin
