#pragma once
// Knows the setup's pages by number and shows one at a time.
class CBrowserPage;

// Makes a page the first time it is shown (the main page shows sooner when the pages behind it
// are not made before it), and ends the setup when a page says so.
class PageMaker {
public:
    // The page's window, hidden; null when it cannot be made (the maker ends the run then).
    virtual CBrowserPage* MakePage(int pageNumber) = 0;
    // A page's "Exit" or "Finish": the setup ends with exit code 0.
    virtual void ExitSetup() = 0;

protected:
    ~PageMaker() = default;
};

class CBrowserController {
public:
    CBrowserController() = default;
    CBrowserController(const CBrowserController&) = delete;
    CBrowserController& operator=(const CBrowserController&) = delete;

    // The setup's pages are numbered 1 to kPages.
    static constexpr int kPages = 3;

    // Hides the page and registers it, unless the number is taken or not a page's.
    void AddPage(int pageNumber, CBrowserPage* page);
    // Asked for a page whose number is not registered yet.
    void SetPageMaker(PageMaker* maker) { maker_ = maker; }
    // Shows that page (made first if it is not registered yet), then hides the others, makes it
    // the owner of the message boxes, repaints it and runs its OnPageShown.
    void ShowPage(int pageNumber);
    // The maker ends the setup.
    void ExitSetup() { maker_->ExitSetup(); }

private:
    PageMaker* maker_ = nullptr;
    CBrowserPage* pages_[kPages] = {};  // by number; the first page of a number stays
};
