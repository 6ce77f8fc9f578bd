// The base package's public face: database-neutral types, messages, routines and (as they are
// added) the session, statement and blob classes that every driver derives from.
#pragma once

#include "base/CorvexBlob.h"
#include "base/CorvexException.h"
#include "base/CorvexSQL.h"
#include "base/CorvexSession.h"
#include "base/TnxConsts.h"
#include "base/TnxProduct.h"
#include "base/TnxRoutines.h"
#include "base/TnxTypes.h"
