#include "frame/input_bar.h"

#include <algorithm>
#include <cstdio>

#include "dialogs/key_result_dlg.h"
#include "dialogs/safe_box_dlg.h"
#include "dialogs/safe_box_requests.h"
#include "dialogs/set_deposit_dlg.h"
#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/core/input_module.h"
#include "engine/core/rect_object.h"
#include "engine/ui/edit_box.h"
#include "engine/ui/image_button.h"
#include "engine/ui/input_box.h"
#include "engine/ui/menu_list.h"
#include "engine/ui/stretched_picture.h"
#include "engine/ui/text_markup.h"
#include "frame/frame_messages.h"
#include "frame/popup_menu.h"
#include "shell/game_app_base.h"

namespace frame {
namespace {

using engine::CanvasObject;
using engine::ImageButton;
using engine::ObjectMessage;
namespace lf = engine::link_flag;

// The key dialog's answer shares its number with a looker's leaving. The bar hears only the
// first: the frame hands the second to the table scene and the side panel, never to a bar.
static_assert(dialogs::CKeyResultDlg::kMsgConfirmed == child_msg::kLookerLeave);

// The bar's skin follows everything the bar does.
constexpr uint32_t kSkinLinks = lf::kFollowAll;
// The parts on the bar move and change depth with it; each is shown on its own.
constexpr uint32_t kPartLinks = lf::kRotate | lf::kInvalidate | lf::kSize | lf::kDepth | lf::kMove;

constexpr double kBackgroundDepth = 0.1;
constexpr double kEditDepth = 0.2;
constexpr double kQuickDepth = 0.3;
constexpr double kSilverMenuDepth = 100.0;

// Layout of the bar: margins, the row of extra objects and the input row.
constexpr int32_t kMargin = 10;
constexpr int32_t kSendGap = 8;
constexpr int32_t kQuickGap = 8;
constexpr int32_t kChildrenLeft = 20;
constexpr int32_t kChildrenTop = 6;
constexpr int32_t kChildGap = 10;
constexpr int32_t kInputTop = 32;
// The silver menu opens 50 pixels in from the panel's right edge, just above
// the input bar.
constexpr int32_t kSilverMenuInset = 50;

// The silver menu.
constexpr int32_t kMenuFontSize = 12;
constexpr engine::COLORREF kMenuColour = 0xBEDCD2;
constexpr engine::COLORREF kMenuBorder = 0x0A503C;
constexpr engine::COLORREF kMenuHover = 0x55C8E1;
constexpr engine::COLORREF kMenuPressed = 0x6000;
constexpr engine::COLORREF kSeparatorDark = 0xAFC8BE;
constexpr engine::COLORREF kSeparatorLight = 0xC8E6DC;
constexpr int32_t kSetSilverEntry = dialogs::kPresetCount;
constexpr int32_t kSafeBoxEntry = dialogs::kPresetCount + 1;

std::string PresetCaption(int32_t amount) {
  char caption[32];
  std::snprintf(caption, sizeof caption, "%d 两", static_cast<int>(amount));
  return caption;
}

void ResizeCanvas(CanvasObject* canvas, int32_t width, int32_t height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  canvas->ResizeSurface(width, height);
  canvas->Resize(width, height);
}

}  // namespace

// ---- creation and layout ----

ImageButton* InputBar::MakeButton(const char* picture, uint32_t message_id) {
  ImageButton* button =
      engine::MakeImageButton(this, GetPictureInfo(picture, 0), engine::MakeMessage(panel_key_, message_id, 0, 0));
  if (button == nullptr) return nullptr;
  button->SetSound(1, "SndTouchButton");
  button->SetSound(2, "SndHitButton");
  return button;
}

void InputBar::OnAddedToScene() {
  SetName(kName);
  if (engine::EngineObject* panel = FindObjectByName(kPanelName)) panel_key_ = panel->GetKey();
  bar_picture_ = GetPictureInfo(kBarPicture, 0);
  input_picture_ = GetPictureInfo(engine::kInputBoxPicture, 0);

  CanvasObject* skin =
      CreateCanvas(std::max(bar_picture_.width, 1), std::max(bar_picture_.height, 1), engine::kColourKey);
  if (skin == nullptr) {
    engine::WriteGameLog("InputBar: no canvas for the bar");
    return;
  }
  skin->MoveTo(EngineObject::GetX(), EngineObject::GetY());
  skin->DrawImage(&bar_picture_, 0, 0, -1, -1, 0.0, 1.0);
  skin->Show();
  skin->Invalidate();
  SetSkin(skin, kSkinLinks);

  input_background_ =
      CreateCanvas(std::max(input_picture_.width, 1), std::max(input_picture_.height, 1), engine::kColourKey);
  if (input_background_ != nullptr) {
    input_background_->DrawImage(&input_picture_, 0, 0, 0, 0, 0.0, 1.0);
    input_background_->Show();
    input_background_->SetDepth(GetDepth() + kBackgroundDepth);
    WidgetBase::AddChild(input_background_, kPartLinks);
  }

  auto* edit = new engine::EditBox();
  EngineObject::AddToScene(edit);
  if (edit->IsRegistered() && edit->Create(kEditWidth, std::max(input_picture_.height - 4, 1), kEditStyle)) {
    edit->SetBackColour(engine::kColourKey);
    edit->SetTextColor(kEditTextColour);
    engine::SetDepthExactly(edit, GetDepth() + kEditDepth);
    edit->Show();
    edit->SetEnterMessage(panel_key_, kMsgLineEntered, false);
    WidgetBase::AddChild(edit, kPartLinks);
    edit_ = edit;
  } else {
    engine::WriteGameLog("InputBar: no edit box");
    if (edit->IsRegistered()) DeleteObject(edit, true);
  }

  quick_button_ = MakeButton(kQuickPicture, kMsgPhraseButton);
  if (quick_button_ != nullptr) {
    quick_button_->SetFlag2(true);
    engine::SetDepthExactly(quick_button_, GetDepth() + kQuickDepth);
    quick_button_->Show();
    WidgetBase::AddChild(quick_button_, kPartLinks);
  }
  send_button_ = MakeButton(kSendPicture, kMsgSendClicked);
  if (send_button_ != nullptr) {
    send_button_->Show();
    WidgetBase::AddChild(send_button_, kPartLinks);
  }
  Layout();
}

void InputBar::SetPanelKey(uint32_t key) {
  panel_key_ = key;
  if (edit_ != nullptr) edit_->SetEnterMessage(key, kMsgLineEntered, false);
  if (quick_button_ != nullptr) quick_button_->SetMessage(engine::MakeMessage(key, kMsgPhraseButton, 0, 0));
  if (send_button_ != nullptr) send_button_->SetMessage(engine::MakeMessage(key, kMsgSendClicked, 0, 0));
}

void InputBar::Layout() {
  auto* skin = dynamic_cast<CanvasObject*>(CurrentSkin());
  if (skin == nullptr) return;
  const auto w = static_cast<int32_t>(GetWidth());
  const auto h = static_cast<int32_t>(GetHeight());
  const double left = GetLeft();
  const double top = GetTop();

  int32_t x0 = kChildrenLeft;
  for (int i = 0; i < kMaxChildren; ++i) {
    engine::EngineObject* child = GetChild(i);
    if (child == nullptr) continue;
    child->MoveTo(left + x0, top + kChildrenTop + child->GetHeight() / 2);
    child->Invalidate();
    x0 = static_cast<int32_t>(x0 + child->GetWidth() + kChildGap);
  }

  ResizeCanvas(skin, w, h);
  skin->Clear();
  if (w > bar_picture_.width) {
    engine::DrawPictureToWidth(skin, bar_picture_, w, h);
  } else {
    skin->DrawImage(&bar_picture_, 0, 0, -1, -1, 0.0, 1.0);
  }
  skin->Invalidate();

  const double send_width = send_button_ != nullptr ? send_button_->GetWidth() : 0.0;
  const double quick_width = quick_button_ != nullptr ? quick_button_->GetWidth() : 0.0;
  const int32_t bw = std::max(static_cast<int32_t>(w - 2 * kMargin - kSendGap - send_width), 1);
  const int32_t bh = std::max(input_picture_.height, 1);
  const double row_y = top + kInputTop + bh / 2;
  double background_x = left + kMargin + bw / 2;
  if (input_background_ != nullptr) {
    ResizeCanvas(input_background_, bw, bh);
    input_background_->Clear();
    engine::DrawPictureToWidth(input_background_, input_picture_, bw, bh);
    input_background_->MoveTo(background_x, row_y);
    input_background_->Invalidate();
  }
  const double background_right = background_x + bw / 2.0;

  double edit_y = row_y;
  if (edit_ != nullptr) {
    const int32_t ew = std::max(static_cast<int32_t>(bw - quick_width - kQuickGap), 1);
    const auto eh = static_cast<int32_t>(edit_->GetHeight());
    edit_->Resize(ew, eh);
    edit_->Layout(ew, eh);
    edit_->MoveTo(background_x - quick_width / 2 + 3, row_y);
    edit_->Invalidate();
    edit_y = edit_->GetY();
  }
  if (quick_button_ != nullptr) {
    quick_button_->MoveTo(background_right - quick_width / 2 + 1, edit_y);
    quick_button_->Invalidate();
  }
  if (send_button_ != nullptr) {
    send_button_->MoveTo(GetRight() - send_width / 2 - kMargin, edit_y);
    send_button_->Invalidate();
  }
  CentreDialogs();
}

void InputBar::CentreDialogs() {
  if (safe_box_dlg_ != nullptr && safe_box_dlg_->IsVisible()) {
    safe_box_dlg_->CentreInWindow();
    safe_box_dlg_->CloseSubDialogs();
  }
  if (set_deposit_dlg_ != nullptr && set_deposit_dlg_->IsVisible()) set_deposit_dlg_->CentreInWindow();
  if (key_result_dlg_ != nullptr && key_result_dlg_->IsVisible()) key_result_dlg_->CentreInWindow();
}

engine::EngineObject* InputBar::GetChild(int index) {
  if (index < 0 || index >= kMaxChildren || children_[index] == 0) return nullptr;
  return FindObjectByKey(children_[index]);
}

bool InputBar::AddChild(engine::EngineObject* object) {
  if (object == nullptr || !object->IsRegistered()) return false;
  for (uint32_t& place : children_) {
    // A place whose object has left the scene is free again.
    if (place != 0 && FindObjectByKey(place) != nullptr) continue;
    place = object->GetKey();
    Layout();
    return true;
  }
  engine::WriteGameLog("InputBar::AddChild: all %d places are taken", kMaxChildren);
  return false;
}

// ---- the chat line and the phrases ----

void InputBar::InsertText(const char* text) {
  if (edit_ == nullptr || text == nullptr) return;
  edit_->AppendText(text);
  edit_->TakeFocus();
}

void InputBar::ClearText() {
  if (edit_ != nullptr) edit_->Clear();
}

void InputBar::SubmitText() {
  if (edit_ != nullptr) edit_->Submit();
}

uint32_t InputBar::GetEditFlag() const { return edit_ != nullptr ? edit_->GetEditFlag() : 0; }

void InputBar::AddQuickPhrase(const char* text) {
  if (text == nullptr) return;
  if (phrase_menu_ == nullptr) {
    auto* menu = new engine::MenuList();
    EngineObject::AddToScene(menu);
    if (!menu->IsRegistered() || !menu->Create(kPhraseWidth, kPhraseHeight, kMenuFontSize, kPhraseColour)) {
      engine::WriteGameLog("InputBar: no phrase menu");
      if (menu->IsRegistered()) DeleteObject(menu, true);
      return;
    }
    menu->SetFocusable(true);
    engine::SetDepthExactly(menu, kPhraseDepth);
    phrase_menu_ = menu;
  }
  phrases_.emplace_back(text);
  const std::string& phrase = phrases_.back();
  const ObjectMessage picked =
      engine::MakeMessage(panel_key_, kMsgPhrasePicked, reinterpret_cast<uintptr_t>(phrase.c_str()),
                          reinterpret_cast<uintptr_t>(phrase_menu_));
  phrase_menu_->AddItem(phrase.c_str(), &picked, kPhraseTextColour, 0);
}

void InputBar::ToggleQuickPhrases() {
  if (phrase_menu_ == nullptr) return;
  if (phrase_menu_->IsVisible()) {
    phrase_menu_->Hide();
    return;
  }
  SetFocusObject(phrase_menu_->GetKey());
  const double right = quick_button_ != nullptr ? quick_button_->GetRight() : GetRight();
  const double top = quick_button_ != nullptr ? quick_button_->GetTop() : GetTop();
  phrase_menu_->MoveTo(right - phrase_menu_->GetWidth() / 2, top - phrase_menu_->GetHeight() / 2);
  phrase_menu_->Show();
}

// ---- the silver menu ----

void InputBar::BuildQuickSilverMenu(int32_t width, int32_t height) {
  if (silver_menu_ != nullptr) return;
  auto* menu = new PopupMenu();
  EngineObject::AddToScene(menu);
  if (!menu->IsRegistered() || !menu->Create(width + 2, height, kMenuFontSize, kMenuColour)) {
    engine::WriteGameLog("InputBar: no silver menu");
    if (menu->IsRegistered()) DeleteObject(menu, true);
    return;
  }
  menu->SetFocusable(true);
  engine::SetDepthExactly(menu, GetDepth() + kSilverMenuDepth);
  for (int i = 0; i < dialogs::kPresetCount; ++i) {
    const ObjectMessage chosen = engine::MakeMessage(GetKey(), kMsgPresetChosen, static_cast<uintptr_t>(i), 0);
    menu->AddItem(PresetCaption(amounts_[i]).c_str(), &chosen, 0, 0, false);
    menu->AddSeparator();
  }
  const ObjectMessage set_silver = engine::MakeMessage(GetKey(), kMsgOpenSetDeposit, 0, 0);
  menu->AddItem("快速设银", &set_silver, 0, 0, false);
  menu->AddSeparator();
  const ObjectMessage safe_box = engine::MakeMessage(GetKey(), kMsgOpenSafeBox, 0, 0);
  menu->AddItem("保 险 箱", &safe_box, 0, 0, false);
  menu->SetBorderColour(kMenuBorder);
  menu->SetItemBackColours(kMenuColour, kMenuHover, kMenuPressed);
  menu->CentreTexts();
  menu->SetSeparatorColours(kSeparatorDark, kSeparatorLight);
  menu->SetSeparatorInset(1);
  menu->SubscribeMessage(engine::QUILLARON_EVENT_FOCUS_LOST, GetKey(), kMsgSilverMenuFocusLost, 0, 0);
  const struct {
    int entry;
    const char* icon;
  } icons[] = {{kSetSilverEntry, kSetSilverIcon}, {kSafeBoxEntry, kSafeBoxIcon}};
  for (const auto& icon : icons) {
    if (PopupMenuItem* item = menu->GetItem(icon.entry)) {
      item->SetIcon(GetPictureInfo(icon.icon, 0));
      item->DrawState(0);
    }
  }
  silver_menu_ = menu;
}

ImageButton* InputBar::SilverButton() { return dynamic_cast<ImageButton*>(FindObjectByName(kSilverButtonName)); }

void InputBar::ShowQuickSilverMenu(bool show) {
  if (silver_menu_ == nullptr) {
    engine::WriteGameLog("InputBar: the silver menu is not built");
    return;
  }
  if (!show) {
    HideSilverMenu();
    return;
  }
  ImageButton* button = SilverButton();
  const bool open = button != nullptr ? button->IsDown() : silver_menu_->IsVisible() != 0;
  if (open) {
    if (button != nullptr) button->SetDown(false);
    SetFocusObject(0);
    HideSilverMenu();
    return;
  }
  if (button != nullptr) button->SetDown(true);
  SetFocusObject(silver_menu_->GetKey());
  double right = GetRight();
  double bottom = GetBottom();
  if (auto* panel = dynamic_cast<engine::RectObject*>(FindObjectByKey(panel_key_))) {
    engine::RECT r{};
    panel->GetRect(&r);
    right = r.right;
    bottom = r.bottom;
  }
  const double bar_height = std::max(bar_picture_.height, 0);
  silver_menu_->MoveTo(right - silver_menu_->GetWidth() / 2 - kSilverMenuInset,
                       bottom - bar_height - silver_menu_->GetHeight() / 2);
  silver_menu_->Show();
  // Shown or hidden, the menu tells the scene, which draws it from then on.
  silver_menu_->Invalidate();
}

void InputBar::HideSilverMenu() {
  if (silver_menu_ == nullptr) return;
  silver_menu_->Hide();
  silver_menu_->Invalidate();
}

void InputBar::LoadFixDeposit() {
  shell::CGameAppBase* app = shell::GetApp();
  amounts_ = app != nullptr ? dialogs::LoadFixDeposit(app->GetUserDataPath()) : dialogs::kDefaultPresets;
}

void InputBar::FillQuickSilverMenu() {
  if (silver_menu_ == nullptr) return;
  for (int i = 0; i < dialogs::kPresetCount; ++i) {
    if (PopupMenuItem* item = silver_menu_->GetItem(i)) item->SetText(PresetCaption(amounts_[i]).c_str());
  }
  silver_menu_->CentreTexts();
  shell::CGameAppBase* app = shell::GetApp();
  const bool usable = app != nullptr && app->CanUseSafeBox() != 0;
  for (int i = 0; i < dialogs::kPresetCount; ++i) {
    PopupMenuItem* item = silver_menu_->GetItem(i);
    if (item == nullptr) continue;
    item->SetBold(!usable);
    item->DrawState(0);
    item->SetEnabled(usable);
  }
}

// ---- the dialogs ----

void InputBar::OpenSafeBox() {
  net::SafeBoxState state;
  std::string answer_text;
  if (!dialogs::RequestOpenSafeBox(&state, &answer_text)) {
    engine::WriteGameLog("InputBar: the safe box did not open: %s", answer_text.c_str());
    dialogs::ShowSafeBoxMessage(dialogs::kSafeBoxOpenFailed);
    return;
  }
  if (safe_box_dlg_ == nullptr) {
    auto* dialog = new dialogs::CSafeBoxDlg();
    EngineObject::AddToScene(dialog);
    if (!dialog->IsRegistered() || !dialog->Create(state.state, state.balance)) {
      engine::WriteGameLog("InputBar: no safe box dialog");
      if (dialog->IsRegistered()) DeleteObject(dialog, true);
      return;
    }
    engine::SetDepthExactly(dialog, dialogs::CSafeBoxDlg::kDepth);
    safe_box_dlg_ = dialog;
  }
  if (safe_box_dlg_->GetState() != state.state) {
    safe_box_dlg_->SetState(state.state);
    safe_box_dlg_->Relayout();
  }
  safe_box_dlg_->SetBalance(state.balance);
  safe_box_dlg_->CentreInWindow();
  safe_box_dlg_->Show();
  safe_box_dlg_->Invalidate();
  PlaySound("snd_msg", 1, nullptr);
}

void InputBar::OpenSetDepositDlg() {
  if (set_deposit_dlg_ == nullptr) {
    auto* dialog = new dialogs::CSetDepositDlg();
    EngineObject::AddToScene(dialog);
    if (!dialog->IsRegistered() || !dialog->Create()) {
      engine::WriteGameLog("InputBar: no set-deposit dialog");
      if (dialog->IsRegistered()) DeleteObject(dialog, true);
      return;
    }
    engine::SetDepthExactly(dialog, dialogs::CSetDepositDlg::kDepth);
    set_deposit_dlg_ = dialog;
  }
  set_deposit_dlg_->SetAmounts(amounts_);
  set_deposit_dlg_->CentreInWindow();
  set_deposit_dlg_->Show();
  set_deposit_dlg_->Invalidate();
}

void InputBar::ShowKeyResultDlg(bool show, int32_t code, int32_t purpose) {
  if (!show) {
    if (key_result_dlg_ != nullptr) {
      key_result_dlg_->Hide();
      key_result_dlg_->Invalidate();
    }
    return;
  }
  if (key_result_dlg_ == nullptr) {
    auto* dialog = new dialogs::CKeyResultDlg();
    EngineObject::AddToScene(dialog);
    if (!dialog->IsRegistered() || !dialog->Create(code)) {
      engine::WriteGameLog("InputBar: no key dialog");
      if (dialog->IsRegistered()) DeleteObject(dialog, true);
      return;
    }
    engine::SetDepthExactly(dialog, dialogs::CKeyResultDlg::kDepth);
    key_result_dlg_ = dialog;
  }
  key_result_dlg_->SetCode(code);
  key_result_dlg_->Relayout();
  key_result_dlg_->Reset();
  key_result_dlg_->SetPurpose(purpose);
  key_result_dlg_->CentreInWindow();
  key_result_dlg_->Show();
  key_result_dlg_->Invalidate();
}

int32_t InputBar::GetKeyResult() const { return key_result_dlg_ != nullptr ? key_result_dlg_->GetResult() : 0; }

void InputBar::RefreshSafeBox() {
  if (safe_box_dlg_ != nullptr && safe_box_dlg_->IsVisible()) safe_box_dlg_->RefreshBalance();
}

// ---- quick silver ----

bool InputBar::OwnSilverForMove(int32_t* silver) {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || app->CanUseSafeBox() == 0 || !dialogs::GetOwnSilver(silver)) {
    engine::WriteGameLog("InputBar: silver may not be moved here");
    dialogs::ShowSafeBoxMessage(kCannotUseSafeBox);
    return false;
  }
  return true;
}

void InputBar::ShowResult(const char* format, int64_t amount, int32_t target) {
  shell::CGameAppBase* app = shell::GetApp();
  const std::string game = app != nullptr ? engine::InertCanvasText(app->FormatGameName()) : std::string();
  char text[256];
  std::snprintf(text, sizeof text, format, static_cast<int>(amount), game.c_str(), static_cast<int>(target));
  dialogs::ShowSafeBoxMessage(text);
}

void InputBar::QuickSetSilver(int32_t target) {
  pending_target_ = 0;
  if (target <= 0) {
    engine::WriteGameLog("InputBar: silver target %d refused", static_cast<int>(target));
    return;
  }
  int32_t current = 0;
  if (!OwnSilverForMove(&current)) return;
  if (target == current) {
    dialogs::ShowSafeBoxMessage(kEqualSilver);
    return;
  }
  if (target < current) {
    const int64_t amount = int64_t{current} - target;
    if (amount > INT32_MAX) {
      engine::WriteGameLog("InputBar: a save of %lld refused", static_cast<long long>(amount));
      return;
    }
    std::string answer_text;
    if (!dialogs::RequestSaveSilver(static_cast<int32_t>(amount), &answer_text)) {
      dialogs::ShowSafeBoxMessage(answer_text.c_str());
      return;
    }
    ShowResult(kSavedFormat, amount, target);
    RefreshSafeBox();
    return;
  }
  // A take: the protection code is asked for first; its dialog answers with
  // CKeyResultDlg::kMsgConfirmed.
  int32_t code = 0;
  std::string answer_text;
  if (dialogs::RequestProtectionCode(&code, &answer_text)) {
    pending_target_ = target;
    ShowKeyResultDlg(true, code, dialogs::CKeyResultDlg::kPurposeQuickSilver);
    return;
  }
  TakeSilver(target, 0);
}

void InputBar::TakeSilver(int32_t target, int32_t key_result) {
  if (target == 0) {
    target = pending_target_ != 0 ? pending_target_ : amounts_[static_cast<size_t>(preset_)];
  }
  pending_target_ = 0;
  int32_t current = 0;
  if (!OwnSilverForMove(&current)) return;
  if (target <= current) {
    engine::WriteGameLog("InputBar: nothing to take for %d (has %d)", static_cast<int>(target),
                         static_cast<int>(current));
    return;
  }
  const int64_t amount = int64_t{target} - current;
  if (amount > INT32_MAX) {
    engine::WriteGameLog("InputBar: a take of %lld refused", static_cast<long long>(amount));
    return;
  }
  std::string answer_text;
  if (!dialogs::RequestTakeSilver(static_cast<int32_t>(amount), key_result, &answer_text)) {
    dialogs::ShowSafeBoxMessage(answer_text.c_str());
    return;
  }
  ShowResult(kTakenFormat, amount, target);
  RefreshSafeBox();
}

// ---- messages ----

int InputBar::OnMessage(const ObjectMessage* message) {
  if (message == nullptr || message->target != GetKey()) return WidgetBase::OnMessage(message);
  switch (message->id) {
    case kMsgPresetChosen:
      if (message->p1 < static_cast<uintptr_t>(dialogs::kPresetCount)) {
        preset_ = static_cast<int32_t>(message->p1);
        HideSilverMenu();
        QuickSetSilver(amounts_[static_cast<size_t>(preset_)]);
      }
      return 1;
    case kMsgSetSilver:
      QuickSetSilver(static_cast<int32_t>(message->p1));
      return 1;
    case kMsgOpenSetDeposit:
      HideSilverMenu();
      OpenSetDepositDlg();
      return 1;
    case kMsgOpenSafeBox:
      HideSilverMenu();
      OpenSafeBox();
      return 1;
    case dialogs::CKeyResultDlg::kMsgConfirmed:
      TakeSilver(0, GetKeyResult());
      return 1;
    case kMsgSilverMenuFocusLost: {
      ImageButton* button = SilverButton();
      if (button == nullptr) return 1;
      engine::InputSnapshot pointer;
      GetInputSnapshot(&pointer);
      const bool on_button = pointer.x >= button->GetLeft() && pointer.x < button->GetRight() &&
                             pointer.y >= button->GetTop() && pointer.y < button->GetBottom();
      if (!on_button) button->SetDown(false);
      return 1;
    }
    default:
      return WidgetBase::OnMessage(message);
  }
}

}  // namespace frame
