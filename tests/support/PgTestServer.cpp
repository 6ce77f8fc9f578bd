#include "support/PgTestServer.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>

#ifndef TNX_SOURCE_DIR
#error "TNX_SOURCE_DIR must name the source tree (for scripts/pg-test-server.sh)"
#endif

namespace tnxtest {

namespace {

// Registered before main runs, so that one server serves every test of the program.
PgTestServer* const gServer =
    static_cast<PgTestServer*>(::testing::AddGlobalTestEnvironment(new PgTestServer));

std::string Env(const char* name, const char* def = "") {
    const char* v = std::getenv(name);
    return v ? v : def;
}

} // namespace

PgTestServer& PgTestServer::Instance() { return *gServer; }

bool PgTestServer::RunScript(const std::string& action, std::string& output) {
    const std::string log = FDir->File("script.err");
    const std::string command = "bash '" TNX_SOURCE_DIR "/scripts/pg-test-server.sh' " + action + " '" +
                                FDir->Path() + "/server' 2>'" + log + "'";
    FILE* p = popen(command.c_str(), "r");
    if (!p) {
        FLastError = "cannot run the server script";
        return false;
    }
    char buf[512];
    output.clear();
    while (fgets(buf, sizeof buf, p)) output += buf;
    int status = pclose(p);
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 0) return true;
    std::string err;
    if (FILE* f = fopen(log.c_str(), "r")) {
        while (fgets(buf, sizeof buf, f)) err += buf;
        fclose(f);
    }
    FLastError = "pg-test-server.sh " + action + " failed (exit " + std::to_string(code) + "): " + err;
    if (code == 3) FSkipReason = "no database server programs on this machine: " + err;
    return false;
}

void PgTestServer::SetUp() {
    if (!Env("TNX_PG_HOST").empty()) {
        FParams.Host = Env("TNX_PG_HOST");
        FParams.Port = std::atoi(Env("TNX_PG_PORT", "5432").c_str());
        FParams.User = Env("TNX_PG_USER", "postgres");
        FParams.Password = Env("TNX_PG_PASSWORD");
        FParams.Database = Env("TNX_PG_DB", "postgres");
        FAvailable = true;
        return;
    }
    FDir = std::make_unique<TempDir>();
    // The server runs as an unprivileged user when the tests run as root: it must reach its folder.
    chmod(FDir->Path().c_str(), 0755);
    std::string output;
    if (!RunScript("start", output)) {
        if (FSkipReason.empty()) {
            ADD_FAILURE() << FLastError;
            FSkipReason = "the test server did not start: " + FLastError;
        }
        return;
    }
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "TNX_PG_HOST") FParams.Host = value;
        else if (key == "TNX_PG_PORT") FParams.Port = std::atoi(value.c_str());
        else if (key == "TNX_PG_USER") FParams.User = value;
        else if (key == "TNX_PG_PASSWORD") FParams.Password = value;
        else if (key == "TNX_PG_DB") FParams.Database = value;
    }
    FAvailable = FParams.Port > 0;
    if (!FAvailable) ADD_FAILURE() << "the server script printed no port: " << output;
}

void PgTestServer::TearDown() {
    if (!Owned()) return;
    std::string output;
    if (!RunScript("stop", output)) ADD_FAILURE() << FLastError;
}

bool PgTestServer::Stop() { return RunOwned("stop"); }

bool PgTestServer::Start() { return RunOwned("start"); }

bool PgTestServer::RunOwned(const std::string& action) {
    if (!Owned()) {
        FLastError = "the server was not started by this program";
        return false;
    }
    std::string output;
    return RunScript(action, output);
}

std::string PgTestServer::ConnectionString() const {
    return "links=tcpip(host=" + FParams.Host + ";port=" + std::to_string(FParams.Port) + ");dbn=" +
           FParams.Database + ";uid=" + FParams.User + ";pwd=" + FParams.Password;
}

} // namespace tnxtest
