// Unit TnxProps: the property editors of the session's file and folder properties, the about
// component editors and the folder chooser they use. The SQL Anywhere package registers them for
// its session (asa/design).
#pragma once

#include "base/design/CorvexAboutEditors.h"
#include "base/design/CorvexFileProperties.h"
#include "base/design/CorvexPathDialog.h"
