#include "ui/item_accessible.h"

#include <commctrl.h>

#include <ole2.h>
#include <oleacc.h>

#include <algorithm>
#include <string>

#include "system/system_info.h"
#include "framework/fraction.h"
#include "framework/proc_address.h"
#include "framework/strings.h"
#include "resources/resource.h"
#include "ui/item_focus.h"

namespace {

// How long a reader's call waits for the page: a page busy in a long operation must not hang it.
constexpr UINT kItemRequestTimeoutMs = 2000;

using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);

// oleacc.dll is no known system library: it is loaded from the system folder at the first
// request, never imported, so a copy planted beside the program is never used.
struct Oleacc {
    CreateStdAccessibleObjectFn createStandardObject = nullptr;
    LresultFromObjectFn resultFromObject = nullptr;
};

const Oleacc& OleaccFunctions() {
    static const Oleacc functions = [] {
        HMODULE module = fw::LoadSystemLibrary(L"oleacc.dll");
        Oleacc found;
        found.createStandardObject = fw::ProcAddress<CreateStdAccessibleObjectFn>(module, "CreateStdAccessibleObject");
        found.resultFromObject = fw::ProcAddress<LresultFromObjectFn>(module, "LresultFromObject");
        return found;
    }();
    return functions;
}

// Handing an object to a screen reader marshals it, which needs COM on this thread. The run with
// pages leaves COM out of its start (its libraries take long to load), so the first request
// joins the multithreaded apartment for the rest of the run and a reader's calls are served on
// COM's own threads; a run that joined a single-threaded apartment at its start (/passive) is
// found there (RPC_E_CHANGED_MODE).
bool ComJoined() {
    static const bool joined = [] {
        HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        return SUCCEEDED(result) || result == RPC_E_CHANGED_MODE;
    }();
    return joined;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// GetFocus answers for the calling thread only, and readers call from other threads.
bool HasFocus(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus == window;
}

UINT DescriptionMessage() {
    static const UINT message = RegisterWindowMessageW(L"SkinnedItemDescription");
    return message;
}

UINT TakeFocusMessage() {
    static const UINT message = RegisterWindowMessageW(L"SkinnedItemTakeFocus");
    return message;
}

// A satellite table without the entry leaves the name to the executable's own table (the
// loader's fall-back): a reader would otherwise announce an action without a name.
std::wstring DefaultActionName(ItemRole role, bool checked) {
    return fw::LoadResString(ItemDefaultActionStringId(role, checked));
}

std::wstring DescriptionOf(HWND item) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(item, DescriptionMessage(), 0, 0, SMTO_NORMAL, kItemRequestTimeoutMs, &length) ||
        length == 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(item, DescriptionMessage(), text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_NORMAL, kItemRequestTimeoutMs, &got))
        return {};
    text.resize(static_cast<size_t>(got <= length ? got : length));
    return text;
}

std::wstring WindowTextOf(HWND window) {
    const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const LRESULT got = SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

class ItemAccessible final : public IAccessible, public IOleWindow {
public:
    ItemAccessible(HWND item, ItemRole role, IAccessible* standard) : item_(item), role_(role), standard_(standard) {}
    ItemAccessible(const ItemAccessible&) = delete;
    ItemAccessible& operator=(const ItemAccessible&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
        } else if (iid == IID_IOleWindow) {
            *object = static_cast<IOleWindow*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: readers use the interface's own methods.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IOleWindow: the window the object stands for.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = item_;
        return Alive() ? S_OK : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // What the item decides.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child)) return standard_->get_accName(child, name);
        if (!name) return E_POINTER;
        *name = nullptr;
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        const std::wstring caption = WindowTextOf(item_);
        if (caption.empty()) return S_FALSE;
        *name = SysAllocStringLen(caption.data(), static_cast<UINT>(caption.size()));
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!IsSelf(child)) return standard_->get_accRole(child, role);
        if (!role) return E_POINTER;
        VariantInit(role);
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        role->vt = VT_I4;
        role->lVal = role_ == ItemRole::CheckBox      ? ROLE_SYSTEM_CHECKBUTTON
                     : role_ == ItemRole::ProgressBar ? ROLE_SYSTEM_PROGRESSBAR
                                                      : ROLE_SYSTEM_PUSHBUTTON;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!IsSelf(child)) return standard_->get_accState(child, state);
        if (!state) return E_POINTER;
        VariantInit(state);
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        VARIANT standard;
        VariantInit(&standard);
        LONG standardState = 0;
        if (SUCCEEDED(standard_->get_accState(child, &standard)) && standard.vt == VT_I4) standardState = standard.lVal;
        VariantClear(&standard);
        state->vt = VT_I4;
        if (role_ == ItemRole::ProgressBar) {  // shows, takes nothing
            state->lVal = (standardState | STATE_SYSTEM_READONLY) & ~(STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED);
            return S_OK;
        }
        state->lVal = ItemAccessibleState(standardState, IsWindowEnabled(item_) != FALSE, HasFocus(item_),
                                          role_ == ItemRole::CheckBox, Checked());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (!IsSelf(child) || role_ == ItemRole::ProgressBar) return standard_->get_accDefaultAction(child, action);
        if (!action) return E_POINTER;
        *action = nullptr;
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        const std::wstring name = DefaultActionName(role_, Checked());
        *action = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
        return *action ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (!IsSelf(child) || role_ == ItemRole::ProgressBar) return standard_->accDoDefaultAction(child);
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        // A message box over the page, or a hidden page: the action would act behind the user's
        // back. The item checks again when the click arrives.
        if (!ItemTakesAction(item_)) return E_FAIL;
        // Posted: the action may open a message box, and the reader's call must not wait for it.
        // Both items take BM_CLICK as a click.
        return PostMessageW(item_, BM_CLICK, 0, 0) ? S_OK : E_FAIL;
    }
    // What the mouse shows on hover, the reader says as the description.
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        if (!IsSelf(child)) return standard_->get_accDescription(child, description);
        if (!description) return E_POINTER;
        *description = nullptr;
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        const std::wstring text = DescriptionOf(item_);
        if (text.empty()) return standard_->get_accDescription(child, description);
        *description = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return *description ? S_OK : E_OUTOFMEMORY;
    }
    // The items are focusable, so taking the focus is theirs to do; it happens on the item's
    // own thread, where SetFocus works.
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        if (!IsSelf(child) || (flags & SELFLAG_TAKEFOCUS) == 0) return standard_->accSelect(flags, child);
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        if (!ItemTakesAction(item_)) return E_FAIL;
        DWORD_PTR took = 0;
        if (!SendMessageTimeoutW(item_, TakeFocusMessage(), 0, 0, SMTO_NORMAL, kItemRequestTimeoutMs, &took))
            return E_FAIL;
        return took == 1 ? S_OK : E_FAIL;
    }

    // The rest is the standard object's.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override { return standard_->get_accChildCount(count); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return standard_->get_accChild(child, object);
    }
    // A progress bar's value is its percentage, asked of the bar on its own thread.
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (!IsSelf(child) || role_ != ItemRole::ProgressBar) return standard_->get_accValue(child, value);
        if (!value) return E_POINTER;
        *value = nullptr;
        if (!Alive()) return CO_E_OBJNOTCONNECTED;
        DWORD_PTR position = 0;
        PBRANGE range{};
        if (!SendMessageTimeoutW(item_, PBM_GETPOS, 0, 0, SMTO_NORMAL, kItemRequestTimeoutMs, &position) ||
            !SendMessageTimeoutW(item_, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range), SMTO_NORMAL,
                                 kItemRequestTimeoutMs, nullptr))
            return E_FAIL;
        const std::wstring text = ProgressValueText(static_cast<int>(position), range.iLow, range.iHigh);
        if (text.empty()) return S_FALSE;
        *value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return *value ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override { return standard_->get_accHelp(child, help); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override { return standard_->get_accSelection(children); }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
        return standard_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override { return standard_->put_accName(child, name); }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

private:
    ~ItemAccessible() { standard_->Release(); }

    // A reader may keep the object after the page has gone; the handle then names no window.
    bool Alive() const { return IsWindow(item_) != FALSE; }
    bool Checked() const { return role_ == ItemRole::CheckBox && SendMessageW(item_, BM_GETCHECK, 0, 0) != 0; }

    LONG references_ = 1;
    HWND item_;
    ItemRole role_;
    IAccessible* standard_;  // owned: one reference
};

}  // namespace

LONG ItemAccessibleState(LONG standardState, bool enabled, bool focused, bool checkable, bool checked) {
    // A static control's standard object says "read only", which a button is not.
    constexpr LONG kItemBits = STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED |
                               STATE_SYSTEM_CHECKED | STATE_SYSTEM_READONLY;
    LONG state = standardState & ~kItemBits;
    state |= enabled ? STATE_SYSTEM_FOCUSABLE : STATE_SYSTEM_UNAVAILABLE;
    if (focused) state |= STATE_SYSTEM_FOCUSED;
    if (checkable && checked) state |= STATE_SYSTEM_CHECKED;
    return state;
}

std::wstring ProgressValueText(int position, int low, int high) {
    if (high <= low) return {};
    if (position < low) position = low;
    if (position > high) position = high;
    const long long span = static_cast<long long>(high) - low;
    return fw::Decimal(fw::ScaledFraction(static_cast<long long>(position) - low, 100, span)) + L"%";
}

UINT ItemDefaultActionStringId(ItemRole role, bool checked) {
    if (role == ItemRole::PushButton) return IDS_PRESS_ACTION;
    return checked ? IDS_UNCHECK_ACTION : IDS_CHECK_ACTION;
}

bool AnswerItemRequest(HWND item, const std::wstring& description, UINT message, WPARAM wParam, LPARAM lParam,
                       LRESULT* result) {
    if (message == DescriptionMessage()) {
        if (wParam == 0 || lParam == 0) {
            *result = static_cast<LRESULT>(description.size());
        } else {
            const size_t count = std::min(description.size(), static_cast<size_t>(wParam) - 1);
            auto* buffer = reinterpret_cast<wchar_t*>(lParam);
            description.copy(buffer, count);
            buffer[count] = L'\0';
            *result = static_cast<LRESULT>(count);
        }
        return true;
    }
    if (message == TakeFocusMessage()) {
        *result = 0;
        if (ItemTakesAction(item)) {
            SetFocus(item);
            *result = GetFocus() == item ? 1 : 0;
        }
        return true;
    }
    return false;
}

LRESULT AnswerItemObjectRequest(HWND item, ItemRole role, WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != OBJID_CLIENT) return 0;
    const Oleacc& oleacc = OleaccFunctions();
    if (!oleacc.createStandardObject || !oleacc.resultFromObject || !ComJoined()) return 0;
    IAccessible* standard = nullptr;
    if (FAILED(oleacc.createStandardObject(item, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&standard))) ||
        !standard)
        return 0;
    auto* object = new ItemAccessible(item, role, standard);
    const LRESULT result = oleacc.resultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(object));
    object->Release();
    return FAILED(static_cast<HRESULT>(result)) ? 0 : result;
}
