#pragma once
// The Address page's rules without Qt: the template subject in front of the subject, the
// sender box's first choice, and the recipient lists changed by a template.
// Texts are code page 932.

#include "encoding/CString.h"
#include "model/CAddress.h"

#include <vector>

// "<<追加": the template's subject in front of `subject` unless `subject` begins with it
// already (an empty template subject changes nothing). A subject B with a template
// subject A gives AB.
CString AddTemplateSubject(const CString& subject, const CString& templateSubject);
// ">>削除": `subject` without the template's subject at its beginning; AB gives B again.
CString RemoveTemplateSubject(const CString& subject, const CString& templateSubject);

// The entry chosen when the box is filled: the account chosen before if it is still there,
// else the default sender, else the only account; -1 (none) when there are several and no
// default. `ids` are the entries' account ids in box order; `chosenId` and `defaultId` are
// -1 or 0 when there is none.
int InitialSenderIndex(const std::vector<long>& ids, long defaultId, long chosenId);
// The entry of `senders` (the box's accounts in order) that sent `from`, the sender of a
// document read back (a draft, a mail of one's own): the same address with the same name
// first, else the same address; -1 when `from` is none of them.
int SenderIndexOfAddress(const std::vector<CAddress>& senders, const CAddress& from);

// Appends each of `more` that `list` does not hold yet (IsSameAddress), also when `more`
// holds it twice; returns how many were appended.
int AppendAddresses(std::vector<CAddress>& list, const std::vector<CAddress>& more);
// Removes every address of `list` that is the same as one of `gone`; returns how many.
int RemoveAddresses(std::vector<CAddress>& list, const std::vector<CAddress>& gone);
