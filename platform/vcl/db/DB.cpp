// Load-time registration of the dataset machinery's component classes (DB.h).
#include "platform/vcl/db/DB.h"

#include "platform/vcl/ClassRegistry.h"

namespace vcl {

namespace {

struct TDBUnit {
    TDBUnit() {
        RegisterClasses({TStringField::StaticClass(), TIntegerField::StaticClass(), TFloatField::StaticClass(),
                         TCurrencyField::StaticClass(), TBooleanField::StaticClass(), TDateField::StaticClass(),
                         TTimeField::StaticClass(), TDateTimeField::StaticClass(), TBytesField::StaticClass(),
                         TBlobField::StaticClass(), TMemoField::StaticClass(), TGraphicField::StaticClass(),
                         TDataSource::StaticClass(), TMemDataSet::StaticClass()});
    }
};

TDBUnit dbUnit;

} // namespace

} // namespace vcl
