#include "fmapi/fm_api.h"
#include "fmapi/fm_host.h"
