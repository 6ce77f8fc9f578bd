// Unit TnxAbout: the about box of the component packages.
#pragma once

#include "base/design/CorvexAboutBox.h"
