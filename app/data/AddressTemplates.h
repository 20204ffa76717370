#pragma once
// One address template (an ADDRESS_TEMPLATE row of Template.mdb) read and written whole, for
// the Address page and its template dialog. Every address read back carries the template's
// title as its group name. Neither function throws.

#include "RecordOperation.h"
#include "encoding/CString.h"
#include "model/CAddress.h"

#include <vector>

struct CAddressTemplateRecord {
    long id = 0;
    CString title;
    CString subject;
    std::vector<CAddress> toList;
    std::vector<CAddress> ccList;
    std::vector<CAddress> bccList;
    long letterTemplateId = 0;  // 0 for none
};

// The template with `id`; 0 when there is none or the table cannot be read.
int LoadAddressTemplate(long id, CAddressTemplateRecord& record);


// Writes `record` by `operation`; an add sets `record.id` to the new row's id. 0 on failure
// (no such row, a text too long for its column, an engine error), with nothing written.
int WriteAddressTemplate(int operation, CAddressTemplateRecord& record);
