#pragma once

// What a dialog that edits a record reports on OK; the caller carries it out.
enum RecordOperation : int {
    RecordAdd = 0,
    RecordChange = 1,
    RecordDelete = 2,
};
