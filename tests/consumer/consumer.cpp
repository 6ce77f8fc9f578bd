// Built against the installed package only: proves that the headers, libraries and package files
// are complete enough for a user's project. It builds a session and its connection parameters
// without connecting (no client library is needed for that).
#include "asa/TnxAsa.h"
#include "base/TnxBase.h"

#include <cstdio>
#include <cstring>

int main() {
    auto session = vcl::New<tnx::TAsaSession>();
    session->SetLoginDatabase("/data/sales.db");
    session->SetLoginUser("DBA");
    std::printf("Tarnix %s: %s\n", tnx::szTarnixVersion, session->GetConnectDatabaseParams().c_str());
    return session->GetConnectDatabaseParams() == "eng=sales;dbn=sales;uid=DBA;pwd=" ? 0 : 1;
}
