#pragma once
// The operations every set with an auto-increment id offers: Add, Modify, Remove,
// RequeryAll and FindById. Each returns non-zero on success and 0 on any failure (no such
// row, an engine error, a text too long, a set that is not open); none throws.

#include "data/CRecordset.h"

#include <functional>

class CKeyedSet : public CRecordset {
public:
    // Deletes the row with the id; 0 when there is none.
    [[nodiscard]] int Remove(long id);
    // Clears the filter and reads the rows again.
    int RequeryAll();
    // Clears the filter and makes the row with the id current; 0 when there is none.
    [[nodiscard]] int FindById(long id);

protected:
    // `idColumn` is the auto-increment column, e.g. "ID".
    CKeyedSet(const CPath& databasePath, const char* table, const char* idColumn,
              const char* sort = "");

    // Adds a row as designed (add an empty row, take its new id, edit it, `write` the
    // columns into the members, update), all in one transaction: on failure no row stays.
    int AddRow(const std::function<void()>& write, long& id);
    // Finds the row by id, lets `write` set the members and updates it.
    int ModifyRow(long id, const std::function<void()>& write);
    // FindById without the catch.
    bool FindKey(long id);
    // After a write whose transaction was rolled back: the row list may name a row that is
    // gone, and an edit may still be pending. Never throws.
    void RecoverFromFailedWrite();

private:
    std::string idCriterion_;
};
