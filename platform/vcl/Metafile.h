// TMetafile: a vector picture, either an enhanced metafile (.emf) or a Windows metafile (.wmf).
//
// Enhanced metafile: a sequence of records (type, byte size, parameters), the first an EMR_HEADER
// with the signature " EMF", the device bounds (pixels), the frame (0.01 mm), the total size and
// the record count; the last record is EMR_EOF. Windows metafile: an optional placeable header
// (key 0x9AC6CDD7, bounding box in units of 'Inch' per inch, checksum over its first ten words),
// then the METAHEADER (type, header size 9, version, total size in words) and records (size in
// words, function) up to the end record (function 0).
//
// Loading checks the header and walks every record to the end record: a record must advance and
// lie inside the metafile, and the metafile inside the data. The metafile keeps the bytes it read
// and saves them back unchanged.
//
// Size. MMWidth and MMHeight are in 0.01 mm: the frame of an enhanced metafile; the placeable
// box converted with its Inch; for a plain Windows metafile the first window extent it sets
// (taken as pixels), else 0. Width and Height are those in pixels at 96 pixels per inch. Setting
// a size on a loaded metafile writes it into the header (the frame; the placeable box, with a new
// checksum; a plain Windows metafile gains a placeable header in twips); values that do not fit
// the header raise EPropertyError "Invalid property value". An empty metafile only remembers the
// size and stays empty (there is nothing to draw).
//
// Enhanced tells the format held; an empty metafile is enhanced unless set otherwise. Changing it
// on a loaded metafile of the other format raises EInvalidGraphicOperation: converting between
// the formats needs a renderer, which this framework does not have.
#pragma once

#include "platform/vcl/Graphic.h"

#include <cstdint>
#include <memory>

namespace vcl {

class TMetafile : public TGraphic {
    VCL_CLASS(TMetafile, TGraphic)
public:
    TMetafile();

    // Whether the stream (from its position) starts like an enhanced metafile, a placeable
    // Windows metafile or a plain one.
    static bool CanLoadFromStream(TStream* stream);
    TGraphicClass GetGraphicClass() const override;

    bool GetEmpty() const override { return FImage == nullptr; }
    int GetWidth() const override;
    int GetHeight() const override;
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    int GetMMWidth() const { return FMMWidth; }
    int GetMMHeight() const { return FMMHeight; }
    void SetMMWidth(int value);
    void SetMMHeight(int value);
    bool GetEnhanced() const { return FEnhanced; }
    void SetEnhanced(bool value);
    // Units per inch of a placeable Windows metafile (0 for other kinds).
    int GetInch() const;

    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    // From another metafile; null empties it; other sources as TPersistent.
    void Assign(TPersistent* source) override;

protected:
    ~TMetafile() override;

private:
    struct TImage;

    void SetMMSize(int width, int height);

    std::shared_ptr<const TImage> FImage; // null while empty; never changed in place
    int FMMWidth = 0;                     // 0.01 mm; >= 0
    int FMMHeight = 0;
    bool FEnhanced = true;
};

} // namespace vcl
