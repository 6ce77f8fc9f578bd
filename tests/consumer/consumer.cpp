// Built against the installed package only: proves that the headers, libraries and package files
// are complete enough for a user's project. It builds a session and its connection parameters
// without connecting (no client library is needed for that), and a dataset with parameters taken
// from its SQL text.
#include "asa/TnxAsa.h"
#include "asa/dataset/TnxAsaDS.h"
#include "base/TnxBase.h"

#include <cstdio>
#include <cstring>

int main() {
    auto session = vcl::New<tnx::TAsaSession>();
    session->SetLoginDatabase("/data/sales.db");
    session->SetLoginUser("DBA");
    std::printf("Tarnix %s: %s\n", tnx::szTarnixVersion, session->GetConnectDatabaseParams().c_str());
    auto orders = vcl::New<tnx::TAsaDataset>();
    orders->SetSession(session.get());
    orders->GetSQL()->SetText("select id from orders where customer = :customer");
    if (orders->GetParamsCount() != 1 || orders->ParamByName("customer") == nullptr) return 1;
    return session->GetConnectDatabaseParams() == "eng=sales;dbn=sales;uid=DBA;pwd=" ? 0 : 1;
}
