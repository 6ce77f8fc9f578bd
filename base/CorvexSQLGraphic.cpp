// TCorvexSQL: conversions between blob columns and the framework's pictures (see CorvexSQL.h). A
// picture's bitmap, metafile or icon saves itself into the column's blob stream or loads itself
// from it, in the graphic's own file format.
#include "base/CorvexBlob.h"
#include "base/CorvexSQL.h"
#include "base/TnxConsts.h"
#include "platform/vcl/Graphics.h"

namespace tnx {

using vcl::Variant;

namespace {

bool IsGraphicType(TCorvexGraphicType type) {
    return type == gtBitmap || type == gtMetafile || type == gtIcon;
}

// The picture's graphic of that kind; a picture holding another kind replaces it with an empty
// graphic of this one.
vcl::TGraphic* GraphicOf(vcl::TPicture* picture, TCorvexGraphicType type) {
    switch (type) {
    case gtBitmap:
        return picture->GetBitmap();
    case gtMetafile:
        return picture->GetMetafile();
    case gtIcon:
        return picture->GetIcon();
    }
    return nullptr;
}

} // namespace

void TCorvexSQL::GraphicToBlob(const Variant& Field, vcl::TPicture* Picture, TCorvexGraphicType GraphicType) {
    CheckWritable();
    // An unknown kind is refused before the blob is touched: clearing it and saving nothing
    // would silently replace the stored picture with an empty value.
    if (Picture == nullptr || !IsGraphicType(GraphicType)) RaiseMessage(CORVEX_ERR_BLOB_PICTURE_INVALID);
    int32_t i;
    if (!GetFieldInfo(Field, &i)) RaiseFieldNotFound(Field);
    TCorvexBlobStream* blob = FBlobManager->BlobByName(FFields[i].Name);
    blob->Clear();
    GraphicOf(Picture, GraphicType)->SaveToStream(blob);
    // Not reached when saving raised: the null flag then stays as it was.
    if (FNullFlags != nullptr) FNullFlags[i] = 0;
}

void TCorvexSQL::BlobToGraphic(const Variant& Field, vcl::TPicture* Picture, TCorvexGraphicType GraphicType) {
    if (Picture == nullptr || !IsGraphicType(GraphicType)) RaiseMessage(CORVEX_ERR_BLOB_PICTURE_INVALID);
    int32_t i;
    if (!GetFieldInfo(Field, &i)) RaiseFieldNotFound(Field);
    TCorvexBlobStream* blob = FBlobManager->BlobByName(FFields[i].Name);
    blob->SetPosition(0);
    GraphicOf(Picture, GraphicType)->LoadFromStream(blob);
}

} // namespace tnx
