// Unit TnxAsaEd: the parameters editor (its dialog and its property editor) and the package's
// registration procedures.
#pragma once

#include "asa/design/CorvexParamsDlg.h"
#include "asa/design/CorvexParamsProperty.h"
#include "asa/design/TnxAsaRegister.h"
