#include "apps/voucher/error_text.h"

#include <string_view>

#include "ledger/db/ledger_error.h"
#include "ledger/db/location.h"
#include "ledger/ledger_schema.h"
#include "listkit/error_text.h"

namespace glnamelist::voucher {
namespace {

using ledger::Fault;
using ledger::LedgerError;

// Whether the error is of a ledger on a server.
bool OnServer(const LedgerError& e) { return ledger::Location(e.ledger()).OnServer(); }

// The fault in the form's words.
std::string Words(const LedgerError& e) {
  switch (e.fault()) {
    case Fault::kFileMissing:
      return "文件不存在";
    case Fault::kFileIsFolder:
      return "这是一个目录，不是账套文件";
    case Fault::kFileUnreadable:
      return "没有权限读取这个文件";
    case Fault::kFileEmpty:
      return "文件是空的";
    case Fault::kNotALedger:
      return OnServer(e) ? "这个数据库里没有账套" : "这不是账套文件";
    case Fault::kCorrupt:
      return "文件已损坏或不完整（可能被截断）";
    case Fault::kWrongVersion:
      return "账套结构版本是 " + std::to_string(e.version()) + "，本程序只能读取版本 " +
             std::to_string(ledger::kSchemaVersion) +
             (e.version() < ledger::kSchemaVersion ? "，请先用 glledger upgrade 升级账套" : "");
    case Fault::kWrongSchema:
      return "账套的表结构不对";
    case Fault::kAuthentication:
      return "服务器不接受这个用户名或密码";
    case Fault::kNoDatabase:
      return "服务器上没有这个数据库";
    case Fault::kUnreachable:
      return "连接不上账套服务器";
    case Fault::kTooManyConnections:
      return "账套服务器不再接受新的连接";
    case Fault::kNoPermission:
      return "这个用户没有读取账套的权限";
    case Fault::kNoWritePermission:
      return "这个用户只能查看账套，没有写入（保存凭证）的权限";
    case Fault::kPasswordRefused:
      return "服务器不再接受这个用户的密码（可能已过期或已被修改）";
    case Fault::kLost:
      return "与账套服务器的连接断了";
    case Fault::kNoAnswer:
      return "账套服务器没有回应";
    case Fault::kLocked:
      return "账套文件被其他程序锁住了";
    case Fault::kChanged:
      return "账套在打开以后被改动或替换了，请重新打开";
    case Fault::kStopped:
      return "读取已停止";
    case Fault::kConflict:
      return "同时有别人在写同样的数据，请再试一次";
    case Fault::kAbandoned:
      return "已放弃等待账套的回应";
    case Fault::kOther:
      break;
  }
  return "读取账套失败";
}

// What stands in brackets: the database's own words; for a schema our check's.
std::string Beside(const LedgerError& e) {
  const std::string& words = e.fault() == Fault::kWrongSchema ? e.cause() : e.said();
  return words.empty() ? "" : "（" + words + "）";
}

}  // namespace

std::string LedgerErrorText(const std::string& shown, const std::exception& e) {
  auto* error = dynamic_cast<const LedgerError*>(&e);
  std::string cause =
      error ? Words(*error) + Beside(*error) : "读取账套失败（" + std::string(e.what()) + "）";
  return "无法打开账套 " + shown + "：" + cause;
}

std::string FaultText(const std::exception& e) {
  auto* error = dynamic_cast<const LedgerError*>(&e);
  if (!error) return listkit::ErrorText(e);
  std::string text = Words(*error) + Beside(*error);
  if (ledger::Passing(error->fault())) text += "，按任意键重试";
  return text;
}

std::string UnsettledText(const std::exception& e) {
  auto* error = dynamic_cast<const LedgerError*>(&e);
  if (error && error->fault() == Fault::kAbandoned) {
    return "已放弃等待：不知道凭证是否已保存，按 F5 查看或重新保存";
  }
  const std::string why = error ? Words(*error) + Beside(*error) : std::string(e.what());
  return "不知道是否已保存：" + why + "；再按 F5 查明，已保存的凭证不会再存一次";
}

bool Unreachable(const std::exception& e) { return ledger::Passing(ledger::FaultOf(e)); }

}  // namespace glnamelist::voucher
