// The framework's pictures in one include: TGraphic and its classes TBitmap, TIcon and TMetafile,
// and TPicture, which holds one of them and knows the graphic file formats.
//
// None of them draws: they load, check, keep and save images, and report their sizes. See each
// header for the format it reads and what it checks.
#pragma once

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Graphic.h"
#include "platform/vcl/Icon.h"
#include "platform/vcl/Metafile.h"
#include "platform/vcl/Picture.h"
