// The controls in one include: the headless control model (TControl, TWinControl), forms, the
// standard controls, the folder and drive choosers and the open dialog. Linking the library
// registers every control class with the class registry, and the names of colours and cursors
// for form files.
#pragma once

#include "platform/vcl/controls/Button.h"
#include "platform/vcl/controls/Control.h"
#include "platform/vcl/controls/ControlObserver.h"
#include "platform/vcl/controls/ControlTypes.h"
#include "platform/vcl/controls/Dialogs.h"
#include "platform/vcl/controls/Edit.h"
#include "platform/vcl/controls/FileControls.h"
#include "platform/vcl/controls/Font.h"
#include "platform/vcl/controls/Form.h"
#include "platform/vcl/controls/GroupBox.h"
#include "platform/vcl/controls/Image.h"
#include "platform/vcl/controls/Label.h"
#include "platform/vcl/controls/ListControls.h"
#include "platform/vcl/controls/Panel.h"
#include "platform/vcl/controls/WinControl.h"
