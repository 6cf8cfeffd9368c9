// The side panel's bottom bar ("InputBar"): the one-line chat edit box on its skinned frame, the
// quick-phrase button with its menu of canned phrases, the send button, and up to 20 extra
// objects (the system-bar buttons) along its top edge. It also owns the quick silver functions:
// a popup menu of six preset amounts plus "快速设银" and "保 险 箱" that sets the user's silver at
// the table to a preset by saving the surplus into the safe box or taking the shortfall out of
// it, and the three safe-box dialogs it opens.
//
// The side panel ("SubSystem", found by name when the bar joins the scene, or given with
// SetPanelKey) builds it and places it: it resizes the bar, moves it and calls Layout. What the
// bar sends the panel:
//   80000067  the send button was clicked (the panel answers with SubmitText)
//   80000068  a line was entered: p1 the line (GBK, valid during the call only: not to be
//             freed), p2 the edit box's key; the panel sends it and calls ClearText
//   80000069  the quick-phrase button was clicked (the panel answers with ToggleQuickPhrases)
//   80000070  a phrase was picked: p1 the phrase (kept by the bar while it lives), p2 the phrase
//             menu (the panel hides it)
// What it hears itself: 80000071 "保 险 箱", 80000072 "快速设银", 80000073 a preset (p1 its
// index 0..5), 80000074 set the silver to p1, dialogs::CKeyResultDlg::kMsgConfirmed the protection
// code was answered, 80010000 the silver menu lost the focus.
//
// Silver is the user's money: a take uses the amount asked for when the protection code was
// asked (never a preset chosen since), every failure is shown with the request's answer text and
// changes nothing shown, and the bar refuses to move silver while the user only watches.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>

#include "dialogs/fix_deposit.h"
#include "engine/core/image_handle.h"
#include "engine/core/widget_base.h"

namespace dialogs {
class CKeyResultDlg;
class CSafeBoxDlg;
class CSetDepositDlg;
}  // namespace dialogs
namespace engine {
class CanvasObject;
class EditBox;
class ImageButton;
class MenuList;
}  // namespace engine

namespace frame {

class PopupMenu;

class InputBar : public engine::WidgetBase {
 public:
  static constexpr const char* kName = "InputBar";
  static constexpr const char* kPanelName = "SubSystem";
  // The system bar's safe-box button, down while the silver menu is open through it.
  static constexpr const char* kSilverButtonName = "系统栏划银按钮";

  // Pictures.
  static constexpr const char* kBarPicture = "SystemInputBar";
  static constexpr const char* kQuickPicture = "btnQuickChat";
  static constexpr const char* kSendPicture = "btnSendChat";
  static constexpr const char* kSetSilverIcon = "快速设银图标";
  static constexpr const char* kSafeBoxIcon = "保险箱图标";

  // To the side panel.
  static constexpr uint32_t kMsgSendClicked = 80000067;
  static constexpr uint32_t kMsgLineEntered = 80000068;
  static constexpr uint32_t kMsgPhraseButton = 80000069;
  static constexpr uint32_t kMsgPhrasePicked = 80000070;
  // To itself.
  static constexpr uint32_t kMsgOpenSafeBox = 80000071;
  static constexpr uint32_t kMsgOpenSetDeposit = 80000072;
  static constexpr uint32_t kMsgPresetChosen = 80000073;
  static constexpr uint32_t kMsgSetSilver = 80000074;
  static constexpr uint32_t kMsgSilverMenuFocusLost = 80010000;

  static constexpr int kMaxChildren = 20;
  // The chat line: 168 wide at first, one line, transparent, in this colour.
  static constexpr int32_t kEditWidth = 168;
  static constexpr uint32_t kEditStyle = 0x42000;
  static constexpr engine::COLORREF kEditTextColour = 0x414A28;
  // The phrase menu.
  static constexpr int32_t kPhraseWidth = 200;
  static constexpr int32_t kPhraseHeight = 20;
  static constexpr engine::COLORREF kPhraseColour = 0x2E7412;
  static constexpr engine::COLORREF kPhraseTextColour = 0xA40755;
  static constexpr double kPhraseDepth = 10000.0;

  // Texts.
  static constexpr const char* kEqualSilver = "当前银子等于设定值。";
  static constexpr const char* kSavedFormat = "设定成功。\r\n\r\n(已经存入保险箱 %d 两，%s当前有银子 %d 两)";
  static constexpr const char* kTakenFormat = "设定成功。\r\n\r\n(已经从保险箱中取出 %d 两，%s当前有银子 %d 两)";
  static constexpr const char* kCannotUseSafeBox = "您现在不能使用保险箱。";

  InputBar() = default;
  ~InputBar() override = default;

  void OnAddedToScene() override;
  int OnMessage(const engine::ObjectMessage* message) override;
  using WidgetBase::AddChild;

  // Places everything for the bar's size and place (see the side panel's layout).
  virtual void Layout();
  // Keeps an extra object along the top edge in the first free of the 20 places and lays out;
  // false (not kept) when all 20 are taken.
  virtual bool AddChild(engine::EngineObject* object);
  // Appends the text (markup: an emoticon code becomes its picture) and focuses the edit box.
  virtual void InsertText(const char* text);
  virtual void ClearText();
  // Sends the typed line to the panel (80000068).
  virtual void SubmitText();
  virtual void AddQuickPhrase(const char* text);
  // Opens the phrase menu above the quick-phrase button, right-aligned to it, or closes it.
  virtual void ToggleQuickPhrases();
  // Builds the silver menu, entries width + 2 by height (the side panel gives 100 and 20).
  virtual void BuildQuickSilverMenu(int32_t width, int32_t height);
  // show: opens or closes the silver menu with the system bar's button; !show: closes it.
  virtual void ShowQuickSilverMenu(bool show);
  virtual void OpenSafeBox();
  virtual void OpenSetDepositDlg();
  virtual void ShowKeyResultDlg(bool show, int32_t code, int32_t purpose);
  // Takes target - current silver from the safe box; target 0: the amount asked for when the
  // protection code was asked, else the last chosen preset.
  virtual void TakeSilver(int32_t target, int32_t key_result);
  virtual int32_t GetKeyResult() const;
  // Reads the six presets of the user's own file.
  virtual void LoadFixDeposit();
  // Shows the presets in the menu; without the safe box they are bold and disabled.
  virtual void FillQuickSilverMenu();
  // Sets the silver at the table to target: saves the surplus or takes the shortfall.
  virtual void QuickSetSilver(int32_t target);

  // The edit box's state word (1 while it has the input focus).
  uint32_t GetEditFlag() const;
  // The side panel that hears the bar's messages (found by name when the bar joins the scene).
  void SetPanelKey(uint32_t key);
  uint32_t GetPanelKey() const { return panel_key_; }

  // Parts, for the panel and for tests.
  engine::EditBox* GetEdit() const { return edit_; }
  engine::ImageButton* GetQuickButton() const { return quick_button_; }
  engine::ImageButton* GetSendButton() const { return send_button_; }
  engine::CanvasObject* GetInputBackground() const { return input_background_; }
  engine::MenuList* GetPhraseMenu() const { return phrase_menu_; }
  PopupMenu* GetSilverMenu() const { return silver_menu_; }
  dialogs::CSafeBoxDlg* GetSafeBoxDlg() const { return safe_box_dlg_; }
  dialogs::CSetDepositDlg* GetSetDepositDlg() const { return set_deposit_dlg_; }
  dialogs::CKeyResultDlg* GetKeyResultDlg() const { return key_result_dlg_; }
  // The extra object in place i (null when free or gone from the scene).
  engine::EngineObject* GetChild(int index);
  const dialogs::PresetAmounts& GetAmounts() const { return amounts_; }
  int32_t GetPreset() const { return preset_; }
  const std::deque<std::string>& GetPhrases() const { return phrases_; }

 private:
  // The user's silver at the table, or false (with the user told) when it may not be moved.
  bool OwnSilverForMove(int32_t* silver);
  void ShowResult(const char* format, int64_t amount, int32_t target);
  void RefreshSafeBox();
  void HideSilverMenu();
  void CentreDialogs();
  engine::ImageButton* SilverButton();
  engine::ImageButton* MakeButton(const char* picture, uint32_t message_id);

  // Quick phrases: a deque, as the menu entries point at these strings.
  std::deque<std::string> phrases_;
  // Keys of the extra objects (0: free place).
  std::array<uint32_t, kMaxChildren> children_{};
  engine::EditBox* edit_ = nullptr;
  engine::ImageButton* quick_button_ = nullptr;
  engine::ImageButton* send_button_ = nullptr;
  engine::MenuList* phrase_menu_ = nullptr;
  engine::CanvasObject* input_background_ = nullptr;
  dialogs::CSafeBoxDlg* safe_box_dlg_ = nullptr;
  dialogs::CSetDepositDlg* set_deposit_dlg_ = nullptr;
  dialogs::CKeyResultDlg* key_result_dlg_ = nullptr;
  PopupMenu* silver_menu_ = nullptr;
  int32_t preset_ = 0;
  dialogs::PresetAmounts amounts_ = dialogs::kDefaultPresets;
  // The target of a take waiting for the protection code's answer (0: none).
  int32_t pending_target_ = 0;
  uint32_t panel_key_ = 0;
  engine::PictureInfo bar_picture_{};
  engine::PictureInfo input_picture_{};
};

}  // namespace frame
