// The framework's component and persistence classes in one include: objects and class info,
// persistent objects and components, events, streams, string lists, form files (binary and text),
// the class registry, form resources, data modules, the screen and the application. (Forms are
// windowed controls: platform/vcl/controls/Form.h.)
#pragma once

#include "platform/vcl/ClassRegistry.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/ComponentResources.h"
#include "platform/vcl/DataModule.h"
#include "platform/vcl/Events.h"
#include "platform/vcl/FileStream.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/MemoryStream.h"
#include "platform/vcl/Object.h"
#include "platform/vcl/Persistent.h"
#include "platform/vcl/Reader.h"
#include "platform/vcl/Stream.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/Writer.h"
