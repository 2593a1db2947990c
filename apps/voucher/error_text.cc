#include "apps/voucher/error_text.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <regex>

#include "contracts/error.h"

namespace glnamelist::voucher {
namespace {

// The cause the file system gives; empty when the file is there, readable and not empty.
std::string FileCause(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return "文件不存在";
    if (errno == EACCES) return "没有权限访问这个文件";
    return "无法访问这个文件";
  }
  if (S_ISDIR(info.st_mode)) return "这是一个目录，不是账套文件";
  if (access(path.c_str(), R_OK) != 0) return "没有权限读取这个文件";
  if (info.st_size == 0) return "文件是空的";
  return "";
}

// The cause in what the data service said.
std::string LedgerCause(const std::string& said) {
  std::smatch m;
  if (std::regex_search(said, m, std::regex(R"(version (-?\d+), this program reads (\d+))"))) {
    return "账套结构版本是 " + m[1].str() + "，本程序只能读取版本 " + m[2].str();
  }
  if (said.find("not a ledger") != std::string::npos ||
      said.find("wrong schema") != std::string::npos ||
      said.find("not a database") != std::string::npos) {
    return "这不是账套文件";
  }
  if (said.find("corrupt") != std::string::npos || said.find("malformed") != std::string::npos) {
    return "文件已损坏或不完整（可能被截断）";
  }
  if (said.find("ermission") != std::string::npos) return "没有权限读取这个文件";
  return "读取失败（" + said + "）";
}

}  // namespace

std::string LedgerErrorText(const std::string& path, const std::exception& e) {
  std::string cause = FileCause(path);
  if (cause.empty()) {
    auto* err = dynamic_cast<const Error*>(&e);
    cause = LedgerCause(err ? err->Description() : e.what());
  }
  return "无法打开账套 " + path + "：" + cause;
}

}  // namespace glnamelist::voucher
