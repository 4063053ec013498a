#include "storage/postgres.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

// How a till's connections are set up: their parameters, and the sharing of the tables it makes.
namespace cz {

bool serverConnectionParameters(const std::string& connectionString, ServerWaits waits,
                                std::vector<std::pair<std::string, std::string>>& parameters,
                                std::string& error) {
  parameters.clear();
  char* parseError = nullptr;
  PQconninfoOption* parsed = PQconninfoParse(connectionString.c_str(), &parseError);
  if (!parsed) {
    error = parseError ? parseError : "";
    if (const size_t lineEnd = error.find('\n'); lineEnd != std::string::npos) {
      error.resize(lineEnd);
    }
    PQfreemem(parseError);
    return false;
  }
  for (const PQconninfoOption* option = parsed; option->keyword; ++option) {
    if (option->val) parameters.emplace_back(option->keyword, option->val);
  }
  PQconninfoFree(parsed);
  // The program reads and writes UTF-8 whatever the string or the environment says.
  std::erase_if(parameters, [](const auto& p) { return p.first == "client_encoding"; });
  parameters.emplace_back("client_encoding", "UTF8");
  const auto find = [&](const char* key) -> std::string* {
    for (auto& [k, v] : parameters) {
      if (k == key) return &v;
    }
    return nullptr;
  };
  const auto byDefault = [&](const char* key, const char* value) {
    if (!find(key)) parameters.emplace_back(key, value);
  };
  // Without one, a server that takes the connection and never answers holds the till for good.
  byDefault("connect_timeout", "5");
  if (waits == ServerWaits::Unbounded) return true;
  // A peer that went (a pulled cable, a switched-off server) is noticed within about 10 s even
  // when nothing is being sent, and unacknowledged data is given up after 10 s.
  byDefault("keepalives", "1");
  byDefault("keepalives_idle", "5");
  byDefault("keepalives_interval", "2");
  byDefault("keepalives_count", "3");
  byDefault("tcp_user_timeout", "10000");
  // On the server: a till that went quiet inside a transaction (it holds the writers' lock during
  // a checkout) is ended after 5 s, so the other tills' checkouts go on; a wait for a lock ends
  // after 7 s with the server's message, before the till's own bound on an answer.
  std::string* options = find("options");
  std::string text = options ? *options : "";
  if (!options) {
    if (const char* environment = std::getenv("PGOPTIONS")) text = environment;
  }
  const std::pair<const char*, const char*> sessionSettings[] = {
      {"idle_in_transaction_session_timeout", "5s"},
      {"lock_timeout", "7s"},
  };
  for (const auto& [name, value] : sessionSettings) {
    if (text.find(name) != std::string::npos) continue;
    if (!text.empty()) text += ' ';
    text += std::string("-c ") + name + "=" + value;
  }
  if (options) {
    *options = text;
  } else {
    parameters.emplace_back("options", text);
  }
  return true;
}

std::string postgresTableSharing(const std::string& sql) {
  std::string text = sql;
  const auto skip = [&](std::string_view word) {
    size_t at = 0;
    while (at < text.size() && text[at] == ' ') ++at;
    if (text.size() - at < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
      if (std::tolower(static_cast<unsigned char>(text[at + i])) != word[i]) return false;
    }
    text.erase(0, at + word.size());
    return true;
  };
  if (!skip("create table ")) return {};
  skip("if not exists ");
  size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  size_t end = at;
  while (end < text.size() && text[end] != ' ' && text[end] != '(' && text[end] != '\'' &&
         text[end] != '"' && text[end] != ';') {
    ++end;
  }
  const std::string table = text.substr(at, end - at);
  if (table.empty() || table == "库存") return {};
  return "DO $cz$ DECLARE g record; s record; BEGIN "
         "FOR g IN SELECT CASE WHEN a.grantee = 0 THEN 'PUBLIC' ELSE a.grantee::regrole::text END "
         "AS who, string_agg(DISTINCT a.privilege_type, ',') AS what, bool_or(a.privilege_type = "
         "'INSERT') AS adds FROM pg_class c, aclexplode(c.relacl) a WHERE c.oid = "
         "to_regclass('库存') AND a.grantee NOT IN (SELECT oid FROM pg_roles WHERE rolname = "
         "current_user) GROUP BY a.grantee LOOP "
         "EXECUTE format('GRANT %s ON TABLE " +
         table +
         " TO %s', g.what, g.who); "
         "IF g.adds THEN FOR s IN SELECT q.oid::regclass::text AS name FROM pg_depend d JOIN "
         "pg_class q ON q.oid = d.objid WHERE d.refobjid = to_regclass('" +
         table +
         "') AND q.relkind = 'S' LOOP "
         "EXECUTE format('GRANT USAGE, SELECT, UPDATE ON SEQUENCE %s TO %s', s.name, g.who); "
         "END LOOP; END IF; END LOOP; "
         "EXCEPTION WHEN others THEN NULL; END $cz$";
}

}  // namespace cz
