#include "encoding/CQuotedPrint.h"
