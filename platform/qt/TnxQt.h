// The Qt widget set in one include: installing it (WidgetSet.h), datasets in Qt's model/view
// (DataSetModel.h, DataSetView.h) and the value conversions between the model and Qt
// (QtConvert.h).
#pragma once

#include "platform/qt/DataSetModel.h"
#include "platform/qt/DataSetView.h"
#include "platform/qt/QtConvert.h"
#include "platform/qt/WidgetSet.h"
