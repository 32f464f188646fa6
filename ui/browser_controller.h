#pragma once
// Knows the setup's pages by number and shows one at a time.
#include <utility>
#include <vector>

class CBrowserPage;

class CBrowserController {
public:
    CBrowserController() = default;
    virtual ~CBrowserController();
    CBrowserController(const CBrowserController&) = delete;
    CBrowserController& operator=(const CBrowserController&) = delete;

    // Hides the page and registers it, unless the number is taken.
    void AddPage(int pageNumber, CBrowserPage* page);
    // Shows that page, then hides the others, makes it the owner of the message boxes, repaints
    // it and runs its OnPageShown.
    void ShowPage(int pageNumber);
    // Posts the quit message with exit code 0.
    void ExitSetup();

private:
    std::vector<std::pair<int, CBrowserPage*>> pages_;  // a handful; the first page of a number stays
};
