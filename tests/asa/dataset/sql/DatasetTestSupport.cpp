// Helpers for the dataset's tests (see DatasetTestSupport.h).
#include "DatasetTestSupport.h"

#include "platform/vcl/StringList.h"
#include "platform/vcl/db/Field.h"

#include "platform/vcl/TypInfo.h"

namespace asatest {

VCL_CLASS_INFO(TTestDataset)

vcl::TOwned<TTestDataset> DatasetTest::NewDataset(const std::string& sql, bool readOnly) {
    auto ds = vcl::New<TTestDataset>();
    ds->SetSession(&S());
    ds->SetReadOnly(readOnly);
    ds->GetSQL()->SetText(sql);
    return ds;
}

std::vector<std::string> DatasetTest::RecordedNames(const std::vector<std::string>& prefixes) {
    std::vector<std::string> names;
    for (const std::string& line : Recorded(prefixes))
        names.push_back(line.substr(0, line.find('(')));
    return names;
}

std::vector<std::string> DatasetTest::Column(tnx::TAsaDataset& ds, const char* field) {
    std::vector<std::string> values;
    for (ds.First(); !ds.GetEof(); ds.Next())
        values.push_back(ds.FieldByName(field)->GetAsString());
    return values;
}

} // namespace asatest
