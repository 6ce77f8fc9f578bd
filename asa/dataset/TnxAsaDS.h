// The SQL Anywhere dataset unit's public face (unit TnxAsaDS): the dataset, its master-detail link
// and blob stream, the dataset's parameters and their list, and the dataset's exception class.
#pragma once

#include "asa/TnxAsa.h"
#include "asa/dataset/AsaDataLink.h"
#include "asa/dataset/AsaDataset.h"
#include "asa/dataset/AsaDatasetBlobStream.h"
#include "asa/dataset/AsaDatasetConsts.h"
#include "asa/dataset/AsaDatasetError.h"
#include "asa/dataset/AsaParam.h"
#include "asa/dataset/AsaParams.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/db/DB.h"
