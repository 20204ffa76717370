#pragma once
// Rows for the Letter page's tests, written as the page's dialogs write them.

#include "data/LetterTables.h"

#include <gtest/gtest.h>

// Adds a phrase to `table`; returns its id.
inline long AddPhrase(const char* table, const char* title, const char* text)
{
    CPhrase phrase{-1, title, text};
    EXPECT_TRUE(SavePhrase(table, RecordAdd, phrase));
    return phrase.id;
}

// Adds a letter template; returns its id.
inline long AddTemplate(CLetterTemplate record)
{
    EXPECT_TRUE(SaveLetterTemplate(RecordAdd, record));
    return record.id;
}
