// The SQL Anywhere dataset unit's public face (unit TnxAsaDS): the dataset's parameters and their
// list, and the dataset's exception class.
#pragma once

#include "asa/TnxAsa.h"
#include "asa/dataset/AsaDatasetConsts.h"
#include "asa/dataset/AsaDatasetError.h"
#include "asa/dataset/AsaParam.h"
#include "asa/dataset/AsaParams.h"
