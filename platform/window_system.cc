#include "platform/window_system.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "contracts/environment.h"
#include "contracts/error.h"
#include "contracts/text.h"

namespace glnamelist::platform {

namespace {

[[noreturn]] void ThrowBadHandle(long hWnd) {
  throw Error(errc::kInvalidProcedureCall,
              "Invalid procedure call or argument: no window " + std::to_string(hWnd));
}

}  // namespace

struct WindowSystemState {
  struct Hook {
    long id = 0;
    long hWnd = 0;
    WindowSystem::BeforeHook before;
    WindowSystem::AfterHook after;
    bool removed = false;
  };

  struct Window {
    std::string text;
    size_t caret = 0;  // a byte offset at a character boundary
    bool enabled = true;
    long style = 0;
    WindowProc proc;
    std::vector<std::shared_ptr<Hook>> hooks;  // oldest first
  };

  std::map<long, Window> windows;
  std::map<long, std::shared_ptr<Hook>> hooks;
  long last_window = 0;
  long last_hook = 0;
  long focus = 0;

  Window* Find(long hWnd) {
    auto it = windows.find(hWnd);
    return it == windows.end() ? nullptr : &it->second;
  }
  Window& Get(long hWnd) {
    Window* w = Find(hWnd);
    if (!w) ThrowBadHandle(hWnd);
    return *w;
  }
  void RemoveHook(long id) {
    auto it = hooks.find(id);
    if (it == hooks.end()) return;
    std::shared_ptr<Hook> hook = it->second;
    hooks.erase(it);
    hook->removed = true;
    if (Window* w = Find(hook->hWnd)) std::erase(w->hooks, hook);
  }
};

namespace {

using HookPtr = std::shared_ptr<WindowSystemState::Hook>;

// Hands the message to chain[index] (skipping removed hooks) and, through it, to the rest of
// the chain; after the last hook, to the window's own procedure.
long Deliver(WindowSystem& windows, WindowSystemState& state, const std::vector<HookPtr>& chain,
             size_t index, long hWnd, long msg, long wParam, long lParam) {
  while (index < chain.size() && chain[index]->removed) ++index;
  if (index == chain.size()) {
    WindowSystemState::Window* w = state.Find(hWnd);
    if (!w || !w->proc) return 0;
    WindowProc proc = w->proc;  // the procedure may destroy its window
    return proc(windows, hWnd, msg, wParam, lParam);
  }
  HookPtr hook = chain[index];
  bool execProc = true;
  long result = 0;
  if (hook->before) hook->before(hWnd, msg, wParam, lParam, execProc, result);
  if (execProc) result = Deliver(windows, state, chain, index + 1, hWnd, msg, wParam, lParam);
  if (!hook->removed && hook->after) hook->after(hWnd, msg, wParam, lParam);
  return result;
}

}  // namespace

// ---- ScopedHook ----

ScopedHook::ScopedHook(ScopedHook&& other) noexcept
    : windows_(std::move(other.windows_)), id_(std::exchange(other.id_, 0)) {}

ScopedHook& ScopedHook::operator=(ScopedHook&& other) noexcept {
  if (this != &other) {
    reset();
    windows_ = std::move(other.windows_);
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

ScopedHook::~ScopedHook() { reset(); }

void ScopedHook::reset() {
  if (auto state = windows_.lock()) state->RemoveHook(id_);
  windows_.reset();
  id_ = 0;
}

// ---- WindowSystem ----

WindowSystem::WindowSystem() : state_(std::make_shared<WindowSystemState>()) {}
WindowSystem::~WindowSystem() = default;

long WindowSystem::CreateWindow(const std::string& text, long style, WindowProc proc) {
  long hWnd = ++state_->last_window;
  WindowSystemState::Window& w = state_->windows[hWnd];
  w.text = text;
  w.caret = text.size();
  w.style = style;
  w.proc = proc ? std::move(proc) : NewEditWindowProc();
  return hWnd;
}

void WindowSystem::DestroyWindow(long hWnd) {
  WindowSystemState::Window* w = state_->Find(hWnd);
  if (!w) return;
  std::vector<HookPtr> hooks = w->hooks;
  for (const auto& hook : hooks) state_->RemoveHook(hook->id);
  state_->windows.erase(hWnd);
  if (state_->focus == hWnd) state_->focus = 0;
}

bool WindowSystem::IsWindow(long hWnd) const { return state_->Find(hWnd) != nullptr; }

std::string WindowSystem::Text(long hWnd) const { return state_->Get(hWnd).text; }

void WindowSystem::SetText(long hWnd, const std::string& text) {
  WindowSystemState::Window& w = state_->Get(hWnd);
  w.text = text;
  w.caret = text.size();
}

long WindowSystem::Caret(long hWnd) const {
  const WindowSystemState::Window& w = state_->Get(hWnd);
  return static_cast<long>(text::CharCount(std::string_view(w.text).substr(0, w.caret)));
}

void WindowSystem::SetCaret(long hWnd, long position) {
  WindowSystemState::Window& w = state_->Get(hWnd);
  w.caret = text::OffsetOfChar(w.text, static_cast<size_t>(std::max(position, 0L)));
}

void WindowSystem::EnableWindow(long hWnd, bool enabled) { state_->Get(hWnd).enabled = enabled; }

long WindowSystem::Style(long hWnd) const { return state_->Get(hWnd).style; }

void WindowSystem::SetStyle(long hWnd, long style) { state_->Get(hWnd).style = style; }

void WindowSystem::SetReadOnly(long hWnd, bool readOnly) {
  WindowSystemState::Window& w = state_->Get(hWnd);
  w.style = readOnly ? (w.style | ES_READONLY) : (w.style & ~ES_READONLY);
}

void WindowSystem::SetFocus(long hWnd) {
  if (hWnd != 0 && !IsWindow(hWnd)) ThrowBadHandle(hWnd);
  long old = state_->focus;
  if (old == hWnd) return;
  state_->focus = hWnd;
  if (old != 0) SendMessage(old, WM_KILLFOCUS, hWnd, 0);
  if (hWnd != 0) SendMessage(hWnd, WM_SETFOCUS, old, 0);
}

long WindowSystem::GetFocus() const { return state_->focus; }

long WindowSystem::SendMessage(long hWnd, long msg, long wParam, long lParam) {
  WindowSystemState::Window* w = state_->Find(hWnd);
  if (!w) return 0;
  // The chain as it stands now, newest hook first; hooks added meanwhile wait for the next
  // message, hooks removed meanwhile are skipped.
  std::vector<HookPtr> chain(w->hooks.rbegin(), w->hooks.rend());
  return Deliver(*this, *state_, chain, 0, hWnd, msg, wParam, lParam);
}

long WindowSystem::AddHook(long hWnd, BeforeHook before, AfterHook after) {
  WindowSystemState::Window& w = state_->Get(hWnd);
  auto hook = std::make_shared<WindowSystemState::Hook>();
  hook->id = ++state_->last_hook;
  hook->hWnd = hWnd;
  hook->before = std::move(before);
  hook->after = std::move(after);
  w.hooks.push_back(hook);
  state_->hooks[hook->id] = hook;
  return hook->id;
}

ScopedHook WindowSystem::AddScopedHook(long hWnd, BeforeHook before, AfterHook after) {
  long id = AddHook(hWnd, std::move(before), std::move(after));
  return ScopedHook(state_, id);
}

void WindowSystem::RemoveHook(long id) { state_->RemoveHook(id); }

long WindowSystem::HookCount(long hWnd) const {
  return static_cast<long>(state_->Get(hWnd).hooks.size());
}

long WindowSystem::IsWindowEnabled(long hWnd) const {
  WindowSystemState::Window* w = state_->Find(hWnd);
  return w && w->enabled ? 1 : 0;
}

long WindowSystem::GetWindowLongA(long hWnd, long nIndex) const {
  WindowSystemState::Window* w = state_->Find(hWnd);
  if (!w || nIndex != GWL_STYLE) return 0;
  return w->style;
}

long WindowSystem::GetWindowTextLengthA(long hWnd) const {
  WindowSystemState::Window* w = state_->Find(hWnd);
  return w ? static_cast<long>(w->text.size()) : 0;
}

long WindowSystem::GetWindowTextA(long hWnd, std::string& lpString, long nMaxCount) const {
  WindowSystemState::Window* w = state_->Find(hWnd);
  if (!w) return 0;
  long room = std::min<long>(nMaxCount, static_cast<long>(lpString.size())) - 1;
  if (room < 0) return 0;
  size_t n = text::PrefixLength(w->text, static_cast<size_t>(room));
  lpString.replace(0, n, w->text, 0, n);
  lpString[n] = '\0';
  return static_cast<long>(n);
}

}  // namespace glnamelist::platform
