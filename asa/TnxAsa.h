// The SQL Anywhere package's public face (unit TnxAsa): the session with its enumerations and
// events, the statement-number pool, the exception class, the unit-wide client-library state, the
// callback instances, the statement with its blob stream, and the time-stamp conversions.
#pragma once

#include "asa/AsaBlobStream.h"
#include "asa/AsaCallbacks.h"
#include "asa/AsaConsts.h"
#include "asa/AsaException.h"
#include "asa/AsaSQL.h"
#include "asa/AsaSession.h"
#include "asa/AsaStatementPool.h"
#include "asa/AsaTimeStamp.h"
#include "asa/TnxAsaLibrary.h"
#include "base/TnxBase.h"
