#pragma once
// A window that takes addresses from the address book: the Address page (its To, Cc and Bcc
// lists) and the address-template dialog. The address book window is opened for one and
// hands it the chosen persons or a whole group.

#include "model/CAddress.h"

#include <vector>

class CAddressTarget {
public:
    enum List { ToList = 0, CcList = 1, BccList = 2 };
    virtual ~CAddressTarget() = default;
    // Adds `addresses` to list `list` as the list adds them (checked, none twice); returns
    // how many were added.
    virtual int TakeAddresses(int list, const std::vector<CAddress>& addresses) = 0;
};
