#include "ledger/pg/pg_link.h"

#include <poll.h>

#include <utility>

namespace glnamelist::ledger::pg {
namespace {

// The links of this process by location: a form's reader and writer find each other here.
std::mutex links_mutex;
std::map<std::string, std::vector<std::weak_ptr<Link>>>& Links() {
  static auto* links = new std::map<std::string, std::vector<std::weak_ptr<Link>>>;
  return *links;
}

unsigned Bit(Role role) { return role == Role::kReader ? 1u : 2u; }

[[noreturn]] void Busy(const Errand& errand, const std::string& name,
                       std::chrono::milliseconds limit) {
  throw ReadError(name, errand.doing, Fault::kNoAnswer,
                  "the connection was not free within " + Seconds(limit) +
                      " (another read or a save holds it)");
}

}  // namespace

Turns::Lock Turns::Read(const Errand& errand, const std::string& name,
                        std::chrono::milliseconds limit) {
  Lock lock(mutex_);
  if (reads_ > 0) return lock;  // a write waits for the reads' transaction in progress
  const auto free = [&] { return errand.stop || (!writing_ && writers_waiting_ == 0); };
  if (!turned_.wait_for(lock, limit, free)) Busy(errand, name, limit);
  return lock;
}

void Turns::BeginWrite(const Errand& errand, const std::string& name,
                       std::chrono::milliseconds limit) {
  Lock lock(mutex_);
  ++writers_waiting_;
  const bool free =
      turned_.wait_for(lock, limit, [&] { return errand.stop || (!writing_ && reads_ == 0); });
  --writers_waiting_;
  if (!free || errand.stop) {
    turned_.notify_all();
    if (errand.stop) throw ReadError(name, errand.doing, Fault::kStopped, kStoppedCause);
    Busy(errand, name, limit);
  }
  writing_ = true;
}

void Turns::EndWrite() {
  {
    Lock lock(mutex_);
    writing_ = false;
  }
  turned_.notify_all();
}

Link::Link(Location location, const LedgerLimits& limits)
    : location_(std::move(location)), limits_(limits), name_(location_.Name()) {}

Link::~Link() { Drop(); }

std::shared_ptr<Link> Link::Take(const std::string& conninfo, const LedgerLimits& limits, Role role,
                                 const std::atomic<bool>& stop) {
  std::lock_guard lock(links_mutex);
  std::vector<std::weak_ptr<Link>>& links = Links()[conninfo];
  std::erase_if(links, [](const std::weak_ptr<Link>& link) { return link.expired(); });
  for (const std::weak_ptr<Link>& held : links) {
    std::shared_ptr<Link> link = held.lock();
    if (link && !(link->roles_ & Bit(role))) {
      link->roles_ |= Bit(role);
      return link;
    }
  }
  // No other thread reaches the new link before it is in the list: its turns need no lock.
  auto link = std::make_shared<Link>(Location(conninfo), limits);
  link->conn_ = Connect(link->location_, limits, stop);
  link->name_ = ServerName(link->conn_);
  PQsetnonblocking(link->conn_, 1);
  ++link->made_;
  link->roles_ = Bit(role);
  links.push_back(link);
  return link;
}

void Link::Leave(Role role) {
  std::lock_guard lock(links_mutex);
  roles_ &= ~Bit(role);
}

void Link::Ensure(const Errand& errand) {
  if (conn_ && PQstatus(conn_) == CONNECTION_OK) {
    // A server that ended the session said so (a restart's "terminating connection") and
    // closed it: both are read here, before a request finds them.
    pollfd ready{PQsocket(conn_), POLLIN, 0};
    if (poll(&ready, 1, 0) > 0 && !PQconsumeInput(conn_)) Drop();
    if (conn_ && PQstatus(conn_) != CONNECTION_OK) Drop();
    TakeNotices();
  }
  if (conn_ && PQstatus(conn_) == CONNECTION_OK) return;
  Drop();
  try {
    conn_ = Connect(location_, limits_, errand.stop);
  } catch (const LedgerError& e) {  // told as this errand of the ledger, not an opening
    // The password let the user in before: now it has expired, or was changed.
    const Fault fault =
        e.fault() == Fault::kAuthentication && made_ > 0 ? Fault::kPasswordRefused : e.fault();
    throw ReadError(name_, errand.doing, fault, e.cause(), e.said());
  }
  PQsetnonblocking(conn_, 1);
  ++made_;
}

bool Link::Adopt(PGconn* conn) {
  if (conn_) return false;
  conn_ = conn;
  PQsetnonblocking(conn_, 1);
  ++made_;
  return true;
}

void Link::Drop() {
  if (conn_) {
    PQfinish(conn_);
    dropped_at_ = Clock::now();
  }
  conn_ = nullptr;
  prepared_.clear();
}

Result Link::Roundtrip(const Errand& errand, const Send& send) {
  if (!conn_ || !send(conn_)) Raise(errand, nullptr);
  return Guarded([&] { return Results(errand, Clock::now() + limits_.answer); });
}

void Link::Exec(const Errand& errand, const std::string& sql) {
  Check(errand, Roundtrip(errand, [&](PGconn* conn) { return PQsendQuery(conn, sql.c_str()); }),
        PGRES_COMMAND_OK);
}

std::vector<Result> Link::Pipelined(const Errand& errand,
                                    const std::vector<std::vector<Send>>& parts) {
  std::vector<Result> results;
  size_t sent = 0;
  try {
    if (!conn_ || !PQenterPipelineMode(conn_)) Raise(errand, nullptr);
    for (const std::vector<Send>& part : parts) {
      for (const Send& send : part) {
        if (!send(conn_)) Raise(errand, nullptr);
      }
      if (!PQpipelineSync(conn_)) Raise(errand, nullptr);
      sent += part.size();
    }
    const Clock::time_point deadline = Clock::now() + limits_.answer;
    Guarded([&] {
      Flush(errand, deadline);
      for (size_t synced = 0; synced < parts.size();) {
        while (PQisBusy(conn_)) AwaitSocket(errand, POLLIN, deadline);
        Result next(PQgetResult(conn_));
        if (!next) continue;  // the end of one request's results
        if (PQresultStatus(next.get()) == PGRES_PIPELINE_SYNC) {
          ++synced;
        } else {
          results.push_back(std::move(next));
        }
      }
    });
    if (results.size() != sent || !PQexitPipelineMode(conn_)) Raise(errand, nullptr);
    TakeNotices();
  } catch (const LedgerError&) {
    Drop();
    throw;
  }
  return results;
}

Result Link::RunPrepared(const Errand& errand, std::string_view sql,
                         std::span<const SqlValue> values) {
  BoundValues bound(values);
  auto run = [&](const std::string& statement) {
    return [&](PGconn* conn) {
      return PQsendQueryPrepared(conn, statement.c_str(), bound.count(), bound.data(),
                                 bound.lengths(), bound.formats(), kBinary);
    };
  };
  auto rows = [&](const Result& result) {
    if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
      Check(errand, result, PGRES_TUPLES_OK);
    }
  };
  auto found = prepared_.find(sql);
  if (found != prepared_.end()) {
    Result result = Roundtrip(errand, run(found->second));
    rows(result);
    return result;
  }
  const std::string statement = "glnamelist_" + std::to_string(prepared_.size() + 1);
  const std::string text = ServerSql(sql);
  std::vector<Result> results =
      Pipelined(errand, {{[&](PGconn* conn) {
                            return PQsendPrepare(conn, statement.c_str(), text.c_str(),
                                                 bound.count(), bound.types());
                          },
                          run(statement)}});
  Check(errand, results[0], PGRES_COMMAND_OK);
  prepared_.emplace(std::string(sql), statement);
  rows(results[1]);
  return std::move(results[1]);
}

void Link::Flush(const Errand& errand, Clock::time_point deadline) {
  Settle(errand, AwaitFlush(conn_, deadline, errand.stop, name_, errand.doing));
}

void Link::Settle(const Errand& errand, Awaited awaited) {
  switch (awaited) {
    case Awaited::kNoAnswer:
      NoAnswer(errand);
    case Awaited::kBroken:
      Raise(errand, nullptr);
    case Awaited::kDone:
      break;
  }
}

void Link::AwaitSocket(const Errand& errand, short events, Clock::time_point deadline) {
  if (!WaitForSocket(PQsocket(conn_), events, deadline, errand.stop, name_, errand.doing)) {
    NoAnswer(errand);
  }
  if (!PQconsumeInput(conn_)) Raise(errand, nullptr);
}

Result Link::Results(const Errand& errand, Clock::time_point deadline) {
  Result first;
  Settle(errand, AwaitResult(conn_, deadline, errand.stop, name_, errand.doing, first));
  TakeNotices();
  return first;
}

void Link::NoAnswer(const Errand& errand) {
  CancelQuery(conn_);
  Drop();
  throw ReadError(name_, errand.doing, Fault::kNoAnswer,
                  "the server gave no answer within " + Seconds(limits_.answer));
}

void Link::Check(const Errand& errand, const Result& result, ExecStatusType expect) {
  if (!result || PQresultStatus(result.get()) != expect) Raise(errand, result.get());
}

void Link::Raise(const Errand& errand, const PGresult* result) {
  Fail({conn_, location_, name_, errand.doing, limits_.answer}, result, [this](bool lost) {
    if (lost) Drop();
  });
}

void Link::TakeNotices() {
  if (!conn_) return;
  bool noticed = false;
  while (PGnotify* notice = PQnotifies(conn_)) {
    PQfreemem(notice);
    noticed = true;
  }
  if (noticed) Note();
}

void Link::Note() {
  noticed_ = true;
  if (on_notice_) on_notice_();
}

}  // namespace glnamelist::ledger::pg
