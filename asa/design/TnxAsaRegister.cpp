// The registration procedures of the SQL Anywhere package.
#include "asa/design/TnxAsaRegister.h"

#include "asa/TnxAsa.h"
#include "asa/dataset/AsaDataset.h"
#include "asa/dataset/AsaParams.h"
#include "asa/design/CorvexParamsProperty.h"
#include "base/design/TnxProps.h"
#include "platform/vcl/design/DesignRegistry.h"

namespace tnx {

using namespace vcl;

void RegisterTnxAsa() {
    RegisterComponents(TarnixPalettePage, {TAsaSession::StaticClass(), TAsaSQL::StaticClass()});
}

void RegisterTnxAsaDS() { RegisterComponents(TarnixPalettePage, {TAsaDataset::StaticClass()}); }

void RegisterTnxAsaEd() {
    RegisterPropertyEditor<TCorvexParamsProperty>(PropertyTypeOf<TAsaParams*>(), nullptr, "");
    const TPropertyType text = PropertyTypeOf<AnsiString>();
    RegisterPropertyEditor<TCorvexLibFileProperty>(text, TAsaSession::StaticClass(), "LibraryFile");
    RegisterPropertyEditor<TCorvexPathProperty>(text, TAsaSession::StaticClass(), "LibraryPath");
    RegisterPropertyEditor<TCorvexDBFileProperty>(text, TAsaSession::StaticClass(), "LoginDatabase");
    RegisterComponentEditor<TCorvexAsaAboutComponentEditor>(TAsaSession::StaticClass());
}

} // namespace tnx
