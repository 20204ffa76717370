#pragma once
// The id and title of every row of a template, phrase or group table, in the table's order, for the
// lists and selection dialogs that show them. Each loader returns 0 on an engine error (the
// list then holds what was read before it) and never throws.

#include "encoding/CString.h"

#include <vector>

struct CTitleItem {
    long id = 0;
    CString title;
};
using CTitleList = std::vector<CTitleItem>;

int LoadAddressTemplateTitles(CTitleList& titles);
int LoadLetterTemplateTitles(CTitleList& titles);
// One of the five phrase tables (SUBJECT_PREFIX, DEAR, GREETING, CLOSING, SIGNATURE).
int LoadPhraseTitles(const char* table, CTitleList& titles);
// The address book's groups (GROUP_ID, GROUP_NAME) in name order.
int LoadGroupTitles(CTitleList& titles);
