// savkit: read, edit, create and write SPSS system files.
#pragma once

#include "savkit/automation/spsswin.h"
#include "savkit/avltrees.h"
#include "savkit/config.h"
#include "savkit/datafile_exception.h"
#include "savkit/design/filename_editor.h"
#include "savkit/hashtable.h"
#include "savkit/host/collection.h"
#include "savkit/host/component.h"
#include "savkit/host/datetime.h"
#include "savkit/host/exceptions.h"
#include "savkit/host/format.h"
#include "savkit/host/sysutils.h"
#include "savkit/host/variant.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"
#include "savkit/spssio.h"
