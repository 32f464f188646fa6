#pragma once
// Knows the setup's pages by number and shows one at a time. Owns the bootstrap object until
// the setup ends.
#include <utility>
#include <vector>

#include "framework/startup_work.h"

class CBrowserPage;

class CBrowserController {
public:
    // Takes ownership of the bootstrap and runs its engine update before returning.
    explicit CBrowserController(fw::StartupWork* bootstrap);
    virtual ~CBrowserController();
    CBrowserController(const CBrowserController&) = delete;
    CBrowserController& operator=(const CBrowserController&) = delete;

    // Hides the page and registers it, unless the number is taken.
    void AddPage(int pageNumber, CBrowserPage* page);
    // Shows that page, then hides the others, makes it the owner of the message boxes, repaints
    // it and runs its OnPageShown.
    void ShowPage(int pageNumber);
    // Deletes the bootstrap (once) and posts the quit message with exit code 0.
    void ExitSetup();

private:
    std::vector<std::pair<int, CBrowserPage*>> pages_;  // a handful; the first page of a number stays
    fw::StartupWork* bootstrap_;
};
