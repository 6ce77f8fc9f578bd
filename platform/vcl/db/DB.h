// The dataset machinery in one include: datasets, fields, field definitions, data sources, data
// links, the in-memory dataset and the messages. Loading the library registers the field classes,
// TDataSource and TMemDataSet with the class registry, so form files can name them.
#pragma once

#include "platform/vcl/db/BlobFields.h"
#include "platform/vcl/db/BooleanField.h"
#include "platform/vcl/db/BytesField.h"
#include "platform/vcl/db/DBConsts.h"
#include "platform/vcl/db/DBTypes.h"
#include "platform/vcl/db/DataLink.h"
#include "platform/vcl/db/DataSet.h"
#include "platform/vcl/db/DataSource.h"
#include "platform/vcl/db/DateTimeFields.h"
#include "platform/vcl/db/Field.h"
#include "platform/vcl/db/FieldDefs.h"
#include "platform/vcl/db/Fields.h"
#include "platform/vcl/db/MemDataSet.h"
#include "platform/vcl/db/NumericFields.h"
#include "platform/vcl/db/StringField.h"
