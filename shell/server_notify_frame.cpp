// The notifications the game frame shows: people coming to and leaving the table, another
// player's exit request, and the match's life. Each body is checked against its length (and its
// chair) before the application's data change or the frame sees it; records the frame keeps
// beyond the call (the queued match boards) are bounded heap copies.
#include <algorithm>
#include <cstring>

#include "engine/core/engine_log.h"
#include "shell/app_frame_view.h"
#include "shell/frame_records.h"
#include "shell/game_app_base.h"
#include "shell/game_handler.h"
#include "shell/notify_checks.h"
#include "shell/server_notify.h"

namespace shell {
namespace {

// A zero-filled block of `size` bytes holding the first bytes of the body, for the frame to free.
uintptr_t BoundedCopy(const NotifyBody& body, size_t size) {
  auto* block = new uint8_t[size]();
  if (body.data != nullptr) std::memcpy(block, body.data, std::min<size_t>(body.length, size));
  return reinterpret_cast<uintptr_t>(block);
}

bool IsWaitKind(int32_t kind) { return kind == 1 || kind == 3 || kind == 4; }

// The table state takes a safe-box event's base silver (above 0) once the side panel has compared
// it with the one it held.
void KeepBaseSilver(const SafeBoxRecord& record) {
  IGameHandler* holder = GetTableStateHolder();
  if (holder != nullptr && record.base_silver > 0) holder->SetBaseSilver(record.base_silver);
}

// Whether a safe-box record is of the kind its notification carries: silver moved (taken out or
// stored), an allowance, or a new base silver (another kind, with a base silver above 0).
bool FitsSafeBoxNotification(uint32_t id, const SafeBoxRecord& record) {
  switch (id) {
    case notify::kSafeBoxEvent:
      return record.kind == SafeBoxRecord::kTakenOut || record.kind == SafeBoxRecord::kStored;
    case notify::kAllowance:
      return record.kind == SafeBoxRecord::kAllowance;
    default:
      return record.kind != SafeBoxRecord::kTakenOut && record.kind != SafeBoxRecord::kStored &&
             record.kind != SafeBoxRecord::kAllowance && record.base_silver > 0;
  }
}

}  // namespace

bool CServerNotifyBase::IsFrameNotification(uint32_t id) {
  switch (id) {
    case notify::kExitRequest:
    case notify::kPersonLeft:
    case notify::kPersonCame:
    case notify::kRandomTable:
    case notify::kMovedTable:
    case notify::kChat:
    case notify::kRelayedChat:
    case notify::kAmulet:
    case notify::kMatchInfo:
    case notify::kMatchBoard:
    case notify::kMatchWait:
    case notify::kMatchNotice:
    case notify::kMatchRound:
    case notify::kMatchBegin:
    case notify::kMatchTablesLeft:
    case notify::kMatchEnd:
    case notify::kMatchResult:
    case notify::kMatchRanking:
    case notify::kPlayerDuan:
    case notify::kChairMatchRecord:
    case notify::kSafeBoxEvent:
    case notify::kAllowance:
    case notify::kBaseSilver:
    case notify::kChairRecords:
      return true;
    default:
      return false;
  }
}

AppFrameView* CServerNotifyBase::FrameView() { return GetAppView(); }

bool CServerNotifyBase::HandleFrameNotification(uint32_t id, const NotifyBody& body) {
  const uint32_t length = body.length;
  // Every check comes first: a bad body is refused whether or not a frame is there.
  switch (id) {
    case notify::kExitRequest:
      if (!body.Has(kExitRequestBytes)) return RefuseNotification(id, "too short", length);
      if (!IsTableChair(body.Int(3))) return RefuseNotification(id, "no such chair", length);
      break;
    case notify::kPersonLeft:
    case notify::kMatchBoard:
    case notify::kMatchWait:
    case notify::kMatchNotice:
    case notify::kMatchRound:
      if (!body.Has(4)) return RefuseNotification(id, "too short", length);
      break;
    case notify::kPersonCame:
      if (!body.Has(PlayerRecord::kSize)) return RefuseNotification(id, "too short", length);
      break;
    case notify::kMatchInfo:
      if (!body.Has(kMatchInfoBytes)) return RefuseNotification(id, "too short", length);
      break;
    case notify::kMatchTablesLeft:
      if (!body.Has(kTablesLeftBytes)) return RefuseNotification(id, "too short", length);
      break;
    case notify::kMatchResult:
      if (!body.Has(kMatchResultMinBytes)) return RefuseNotification(id, "too short", length);
      break;
    case notify::kMatchRanking: {
      if (!body.Has(kRankingHeadBytes)) return RefuseNotification(id, "too short", length);
      const int32_t rows = body.Int(0);
      const uint32_t records = length - kRankingHeadBytes;
      if (rows < 0 || records % kRankingRecordBytes != 0 ||
          records / kRankingRecordBytes != static_cast<uint32_t>(rows))
        return RefuseNotification(id, "the row count does not match the records", length);
      break;
    }
    case notify::kPlayerDuan:
      if (!body.Has(kDuanCardMinBytes)) return RefuseNotification(id, "too short", length);
      if (body.Word(0) == 0) return RefuseNotification(id, "no user", length);
      break;
    case notify::kChairMatchRecord:
      if (length != 4 + TableExtraRecord::kSize) return RefuseNotification(id, "not one match record", length);
      if (!IsTableChair(body.Int(0))) return RefuseNotification(id, "no such chair", length);
      break;
    default:
      break;
  }
  switch (id) {
    case notify::kMatchBoard:
      if (body.Int(0) < 1 || body.Int(0) > 11) return RefuseNotification(id, "no such board", length);
      break;
    case notify::kMatchWait:
      if (!IsWaitKind(body.Int(0))) return RefuseNotification(id, "no such wait animation", length);
      break;
    case notify::kMatchNotice:
      if (body.Int(0) < 11 || body.Int(0) > 13) return RefuseNotification(id, "no such notice", length);
      break;
    default:
      break;
  }

  SafeBoxRecord safe_box;
  ChairRecords chairs;
  switch (id) {
    case notify::kSafeBoxEvent:
    case notify::kAllowance:
    case notify::kBaseSilver:
      if (!ReadSafeBoxRecord(body, &safe_box)) return RefuseNotification(id, "too short", length);
      if (!FitsSafeBoxNotification(id, safe_box)) return RefuseNotification(id, "not an event of this kind", length);
      break;
    case notify::kChairRecords:
      if (!ReadChairRecords(body, &chairs)) return RefuseNotification(id, "not one to eight chair records", length);
      break;
    default:
      break;
  }

  // What the application keeps.
  CGameAppBase* app = GetApp();
  PlayerRecord person;
  switch (id) {
    case notify::kPersonCame:
      std::memcpy(person.bytes, body.data, PlayerRecord::kSize);
      if (app == nullptr || !app->AddPerson(person)) return RefuseNotification(id, "not seated", length);
      break;
    case notify::kPersonLeft:
      if (app == nullptr || !app->RemovePerson(body.Word(0), &person))
        return RefuseNotification(id, "the user is not at the table", length);
      break;
    case notify::kChairMatchRecord:
      return app != nullptr && app->SetTableExtra(body.Int(0), body.data + 4, TableExtraRecord::kSize);
    case notify::kMatchInfo:
      if (app != nullptr) {
        MatchData& data = app->GetMatchData();
        data.stage = body.Int(0);
        data.seconds_to_start = body.Int(1);
        data.signup_fee = body.Int(2);
        data.fee_kind = body.Int(3);
        data.info_value = body.Int(4);
        data.next_duan_score = body.Int(5);
        data.clock_value = body.Int(6);
        data.signup_count = body.Int(7);
      }
      break;
    case notify::kMatchRound:
      if (app != nullptr) app->GetMatchData().round = body.Int(0);
      break;
    default:
      break;
  }

  AppFrameView* view = FrameView();
  if (view == nullptr) {
    if (id == notify::kSafeBoxEvent || id == notify::kAllowance || id == notify::kBaseSilver) KeepBaseSilver(safe_box);
    engine::WriteGameLog("notification %u: no game frame; dropped", id);
    return false;
  }
  switch (id) {
    case notify::kExitRequest:
      view->ShowExitRequest(body.data, length);
      break;
    case notify::kPersonCame:
      if (person.IsLooker()) {
        view->OnLookerEnter(&person);
      } else {
        view->OnPlayerEnter(&person);
      }
      break;
    case notify::kPersonLeft:
      if (person.IsLooker()) {
        view->OnLookerLeave(&person);
      } else {
        view->OnPlayerLeave(&person);
      }
      break;
    case notify::kRandomTable:
      view->OnRandomTable();
      break;
    case notify::kMovedTable:
      view->OnMovedTable();
      break;
    case notify::kChat:
      view->AddChatLine(body);
      break;
    case notify::kRelayedChat:
      view->AddRelayedChat(body);
      break;
    case notify::kAmulet:
      view->ShowAmuletNotice(body);
      break;
    case notify::kMatchInfo:
      view->OnMatchProgress();
      view->OnMatchTableState();
      break;
    case notify::kMatchBoard:
      switch (body.Int(0)) {
        case 1:
          view->ShowNoSignUpBoard();
          break;
        case 2:
          view->ShowWashoutBoard();
          break;
        case 3:
          view->ShowMatchEndBoard();
          break;
        case 4:
          view->ShowMatchLateBoard();
          break;
        case 5:
          view->ShowSystemCancelBoard();
          break;
        case 6:
          view->ShowSelfCancelBoard();
          break;
        case 7:
          view->ShowWaitSignUpCheckBoard();
          break;
        case 8:
          view->ShowSystemRejectedBoard();
          break;
        case 9:
          view->ShowMatchStartedBoard();
          break;
        case 10:
          view->OnSignUpOk();
          break;
        default:
          view->OnWithdrawn();
          break;
      }
      break;
    case notify::kMatchWait:
      view->ShowWaitAnimation(body.Int(0));
      break;
    case notify::kMatchNotice:
      if (body.Int(0) == 11) {
        view->BroadcastMatchNotice11();
      } else if (body.Int(0) == 12) {
        view->BroadcastMatchNotice12();
      } else {
        view->BroadcastMatchNotice13();
      }
      break;
    case notify::kMatchRound:
      view->ShowMatchRound();
      break;
    case notify::kMatchBegin:
      view->OnMatchBegin();
      break;
    case notify::kMatchTablesLeft:
      view->ShowTablesLeft(body.data, length);
      break;
    case notify::kMatchEnd:
      view->QueueMatchEnd(BoundedCopy(body, AppFrameView::kMatchEndBlockBytes));
      break;
    case notify::kMatchResult:
      view->QueueMatchResult(BoundedCopy(body, AppFrameView::kMatchResultBlockBytes));
      break;
    case notify::kMatchRanking: {
      int32_t header[5];
      for (int i = 0; i < 5; ++i) header[i] = body.Int(1 + static_cast<size_t>(i));
      view->OnMatchRanking(body.Int(0), body.data + kRankingHeadBytes, length - kRankingHeadBytes, header);
      break;
    }
    case notify::kPlayerDuan:
      view->ShowPlayerDuan(body.data, length);
      break;
    case notify::kSafeBoxEvent:
    case notify::kAllowance:
    case notify::kBaseSilver:
      view->OnSafeBoxEvent(safe_box);
      KeepBaseSilver(safe_box);
      break;
    case notify::kChairRecords:
      view->OnChairRecords(chairs);
      break;
    default:
      break;
  }
  return true;
}

}  // namespace shell
