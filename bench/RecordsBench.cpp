// The records commands on a generated store of a million records (a few thousand in the quick
// run), SQLite and PostgreSQL each: each halyardctl command as a process, beside the database's
// own client (sqlite3, psql) running the same statements with the same answer, with both
// processes' wall time and peak memory. The PostgreSQL server is a throwaway one, started as the
// record tests start theirs (tests/records/pg-server.sh).
#include <libpq-fe.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <sstream>

#include "BenchSupport.h"
#include "RecordsGenerator.h"
#include "cli/Halyardctl.h"
#include "records/RecordQueries.h"

namespace halyard::bench {

namespace {

using records::RecordFilter;
using records::RecordOrder;
using records::YieldBy;

}  // namespace

size_t RecordCount() {
  if (const char* count = std::getenv("HALYARD_BENCH_RECORDS")) return std::stoul(count);
  return QuickRun() ? 500 : 1000000;
}

namespace {

// A store made once per process and kept for every benchmark of it.
struct Store {
  std::string name;  // the file or the URL
  GeneratedRecords made;
  std::string error;  // why there is none
  bool postgres = false;
};

std::string PgHandle() {
  return (ScratchDir() / "pg").string();
}

bool PgExec(const std::string& url, const std::string& sql) {
  PGconn* conn = PQconnectdb(url.c_str());
  PGresult* result = PQexec(conn, sql.c_str());
  const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
  PQclear(result);
  PQfinish(conn);
  return ok;
}

// A database of the benchmark's own. On the server the record tests share when ctest names its
// handle (HALYARD_PG_HANDLE: the quick run saves a server's start), else on a server of its own,
// stopped at exit.
std::string PgDatabase(std::string& error) {
  static std::string admin;
  if (const char* handle = std::getenv("HALYARD_PG_HANDLE"); handle != nullptr && *handle) {
    std::ifstream(std::string(handle) + "/url") >> admin;
    const std::string name = "bench_" + std::to_string(getpid());
    if (admin.empty() || !PgExec(admin, "CREATE DATABASE " + name)) {
      error = "no database on the shared server (" + std::string(handle) + ")";
      return "";
    }
    std::atexit([] {
      PgExec(admin, "DROP DATABASE IF EXISTS bench_" + std::to_string(getpid()) + " WITH (FORCE)");
    });
    return admin.substr(0, admin.rfind('/') + 1) + name;
  }
  const std::string script = std::string(HALYARD_PG_SCRIPT) + " start '" + PgHandle() + "'";
  if (std::system(script.c_str()) == 0) std::ifstream(PgHandle() + "/url") >> admin;
  std::atexit(
      [] { std::system((std::string(HALYARD_PG_SCRIPT) + " stop '" + PgHandle() + "'").c_str()); });
  if (admin.empty()) error = "the PostgreSQL server would not start";
  return admin;
}

Store& TheStore(bool postgres) {
  static std::map<bool, Store> stores;
  auto [it, added] = stores.try_emplace(postgres);
  Store& store = it->second;
  if (!added) return store;
  store.postgres = postgres;
  const auto start = std::chrono::steady_clock::now();
  if (postgres) {
    store.name = PgDatabase(store.error);
    if (store.error.empty()) GeneratePostgres(RecordCount(), store.name, store.made, store.error);
  } else {
    store.name = (ScratchDir() / "records.db").string();
    GenerateSqlite(RecordCount(), store.name, store.made, store.error);
  }
  std::fprintf(stderr, "%s store of %zu records made in %.1f s%s%s\n",
               postgres ? "PostgreSQL" : "SQLite", RecordCount(),
               std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
               store.error.empty() ? "" : ": ", store.error.c_str());
  return store;
}

// The statement with its parameters written in, for the database's own client.
std::string Literal(const records::BoundSql& bound) {
  std::string sql = bound.sql;
  for (size_t i = bound.params.size(); i > 0; --i) {
    std::string value = "'";
    for (const char c : bound.params[i - 1])
      value += c == '\'' ? std::string("''") : std::string(1, c);
    const std::string name = "$" + std::to_string(i);
    for (size_t at = sql.find(name); at != std::string::npos; at = sql.find(name))
      sql.replace(at, name.size(), value + "'");
  }
  return sql;
}

struct Command {
  std::vector<std::string> halyardctl;  // after "records"
  std::vector<records::BoundSql> statements;
};

std::vector<std::string> ClientArgs(const Store& store,
                                    const std::vector<records::BoundSql>& statements) {
  if (!store.postgres) {
    std::string sql;
    for (const records::BoundSql& statement : statements)
      sql += Literal(statement) + ";\n";
    return {"/usr/bin/sqlite3", store.name, sql};
  }
  std::vector<std::string> args{"/usr/bin/psql", "-X", "-q", "-A", "-t", "-d", store.name};
  for (const records::BoundSql& statement : statements) {
    args.push_back("-c");
    args.push_back(Literal(statement));
  }
  return args;
}

void Measure(benchmark::State& state, bool postgres,
             const std::function<Command(const GeneratedRecords&)>& make) {
  Store& store = TheStore(postgres);
  if (!store.error.empty()) {
    state.SkipWithError(store.error.c_str());
    return;
  }
  const Command command = make(store.made);
  std::vector<std::string> ctl{(BinDir() / "halyardctl").string(), "records"};
  ctl.insert(ctl.end(), command.halyardctl.begin(), command.halyardctl.end());
  ctl.insert(ctl.begin() + 3, {"--store", store.name});
  ChildRun mine, theirs;
  for (auto _ : state) {
    std::string error;
    if (!RunChild(ctl, mine, error) || mine.exitStatus != 0 ||
        !RunChild(ClientArgs(store, command.statements), theirs, error) || theirs.exitStatus != 0) {
      state.SkipWithError(("a command failed: " + error + mine.out.substr(0, 300)).c_str());
      return;
    }
    state.SetIterationTime(mine.wallSeconds);
  }
  state.counters["ctl_ms"] = mine.wallSeconds * 1e3;
  state.counters["sql_ms"] = theirs.wallSeconds * 1e3;
  state.counters["ratio"] = mine.wallSeconds / theirs.wallSeconds;
  // CPU time holds still when the machine is busy; the servers' own CPU is not in it.
  state.counters["ctl_cpu_ms"] = mine.cpuSeconds * 1e3;
  state.counters["sql_cpu_ms"] = theirs.cpuSeconds * 1e3;
  state.counters["ctl_peak_mib"] = mine.peakRssBytes / (1 << 20);
  state.counters["sql_peak_mib"] = theirs.peakRssBytes / (1 << 20);
}

const records::QueryDialect& Queries(bool postgres) {
  return postgres ? records::kPostgresQueries : records::kSqliteQueries;
}

Command Yield(bool postgres, const char* by, YieldBy grouping, const RecordFilter& filter = {}) {
  Command command{{"yield", "--by", by}, {records::YieldSql(filter, grouping, Queries(postgres))}};
  if (!filter.since.empty())
    command.halyardctl.insert(command.halyardctl.end(), {"--since", filter.since});
  return command;
}

// The command in this process (HalyardctlMain), as often as the library likes: what the command
// itself costs, without a process's start.
void MeasureInProcess(
    benchmark::State& state, bool postgres,
    const std::function<std::vector<std::string>(const GeneratedRecords&)>& make) {
  Store& store = TheStore(postgres);
  if (!store.error.empty()) {
    state.SkipWithError(store.error.c_str());
    return;
  }
  std::vector<std::string> args = make(store.made);
  args.insert(args.begin() + 2, {"--store", store.name});
  for (auto _ : state) {
    std::ostringstream out, err;
    if (cli::HalyardctlMain(args, BinDir(), out, err) != cli::kExitOk) {
      state.SkipWithError(err.str().c_str());
      return;
    }
  }
}

void RegisterInProcess(bool postgres) {
  const std::string db = postgres ? "PostgreSQL/InProcess/" : "SQLite/InProcess/";
  benchmark::RegisterBenchmark((db + "ListUnit").c_str(), [postgres](benchmark::State& state) {
    MeasureInProcess(state, postgres, [](const GeneratedRecords& made) {
      return std::vector<std::string>{"records", "list", "--unit", made.someUnit};
    });
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark((db + "ListNewest200").c_str(), [postgres](benchmark::State& state) {
    MeasureInProcess(state, postgres, [](const GeneratedRecords&) {
      return std::vector<std::string>{"records", "list", "--newest", "200"};
    });
  })->Unit(benchmark::kMillisecond);
}

void Register(bool postgres) {
  const std::string db = postgres ? "PostgreSQL/" : "SQLite/";
  // The quick run shows the program works with a yield, the report and a list of each store.
  const auto add = [&](const std::string& name,
                       std::function<Command(const GeneratedRecords&)> make) {
    if (QuickRun() && name != "YieldByDay" && name != "Report" && name != "ListNewest200") return;
    benchmark::RegisterBenchmark(
        (db + name).c_str(),
        [postgres, make](benchmark::State& state) { Measure(state, postgres, make); })
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  };
  add("YieldByDay",
      [postgres](const GeneratedRecords&) { return Yield(postgres, "day", YieldBy::kDay); });
  add("YieldByUnit",
      [postgres](const GeneratedRecords&) { return Yield(postgres, "unit", YieldBy::kUnit); });
  add("YieldByAction",
      [postgres](const GeneratedRecords&) { return Yield(postgres, "action", YieldBy::kAction); });
  add("YieldByDaySinceAWeek", [postgres](const GeneratedRecords& made) {
    return Yield(postgres, "day", YieldBy::kDay, {.since = made.lastDay.substr(0, 8) + "24"});
  });
  add("Report", [postgres](const GeneratedRecords&) {
    Command command{{"report"}, {}};
    for (const YieldBy by :
         {YieldBy::kAll, YieldBy::kDay, YieldBy::kHour, YieldBy::kStation, YieldBy::kSocket})
      command.statements.push_back(records::YieldSql({}, by, Queries(postgres)));
    command.statements.push_back(records::FailuresSql({}));
    command.statements.push_back(records::TrimsSql({}, Queries(postgres)));
    return command;
  });
  add("ListUnit", [](const GeneratedRecords& made) {
    return Command{{"list", "--unit", made.someUnit},
                   {records::ListSql({.unit = made.someUnit}, RecordOrder::kOldestFirst)}};
  });
  add("ListNewest200", [](const GeneratedRecords&) {
    return Command{{"list", "--newest", "200"},
                   {records::ListSql({.newest = 200}, RecordOrder::kOldestFirst)}};
  });
  add("ListADayAsCsv", [](const GeneratedRecords& made) {
    const RecordFilter day{.since = made.lastDay.substr(0, 8) + "30",
                           .until = made.lastDay.substr(0, 8) + "31"};
    return Command{{"list", "--csv", "--since", day.since, "--until", day.until},
                   {records::ListSql(day, RecordOrder::kOldestFirst)}};
  });
}

}  // namespace

}  // namespace halyard::bench

// `halyard_records_bench --make-store=FILE.db` writes the generated SQLite store to FILE.db and
// exits (HALYARD_BENCH_RECORDS records, a million by default): a store to try the records
// commands on by hand.
int main(int argc, char** argv) {
  const std::string make = "--make-store=";
  if (argc == 2 && std::string(argv[1]).starts_with(make)) {
    halyard::bench::GeneratedRecords made;
    std::string error;
    if (halyard::bench::GenerateSqlite(halyard::bench::RecordCount(), argv[1] + make.size(), made,
                                       error))
      return 0;
    std::fprintf(stderr, "halyard_records_bench: %s\n", error.c_str());
    return 1;
  }
  if (!halyard::bench::InitBenchmarks(argc, argv)) return 1;
  halyard::bench::Register(false);
  halyard::bench::Register(true);
  if (!halyard::bench::QuickRun()) {  // the quick run lists through the program already
    halyard::bench::RegisterInProcess(false);
    halyard::bench::RegisterInProcess(true);
  }
  return halyard::bench::RunBenchmarks();
}
