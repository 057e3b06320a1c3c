// Windows only: the shell services. The Recycle Bin is the shell's own (SHEmptyRecycleBin,
// SHQueryRecycleBin, for the bins of every drive), the URL history the WinINet history store
// reached through COM (IUrlHistoryStg2).
#include "platform/win32/win32_util.h"
// The shell's Recycle Bin and the URL history's COM interface.
#include <objbase.h>
#include <shellapi.h>
#include <urlhist.h>

#include "platform/error.h"
#include "platform/shell.h"

// The history store's class, in the system's uuid library; urlhist.h names only its interfaces.
EXTERN_C const CLSID CLSID_CUrlHistory;

namespace vorlisk::platform {

namespace {
ShellCallCounts* g_testCalls = nullptr;  // SetShellCallsForTesting
}  // namespace

void EmptyRecycleBins() {
  if (g_testCalls) {
    ++g_testCalls->RecycleBinsEmptied;
    return;
  }
  // A bin that is empty already answers with an error: nothing to report either way.
  ::SHEmptyRecycleBinW(nullptr, nullptr, SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
}

RecycleBinContents QueryRecycleBins() {
  if (g_testCalls) return {};
  SHQUERYRBINFO info{};
  info.cbSize = sizeof info;
  if (FAILED(::SHQueryRecycleBinW(nullptr, &info))) return {};
  RecycleBinContents contents;
  contents.entries = info.i64NumItems;
  contents.bytes = info.i64Size > 0 ? static_cast<uint64_t>(info.i64Size) : 0;
  return contents;
}

namespace {

// COM for the calling thread for one scope. A thread that has COM in the other apartment model
// already (a window's thread) keeps it, and COM works there as it is.
class ComScope {
 public:
  ComScope() : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  HRESULT result() const { return hr_ == RPC_E_CHANGED_MODE ? S_OK : hr_; }

 private:
  HRESULT hr_;
};

[[noreturn]] void ThrowComError(HRESULT hr) {
  // An HRESULT of the system's own facilities has its text in the system's table too.
  throw Error(win32::ErrorText(static_cast<DWORD>(hr)));
}

}  // namespace

void ClearUrlHistoryStore() {
  if (g_testCalls) {
    ++g_testCalls->HistoriesCleared;
    return;
  }
  const ComScope com;
  if (FAILED(com.result())) ThrowComError(com.result());
  IUrlHistoryStg2* history = nullptr;
  HRESULT hr = ::CoCreateInstance(CLSID_CUrlHistory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IUrlHistoryStg2, reinterpret_cast<void**>(&history));
  if (FAILED(hr) || history == nullptr) ThrowComError(FAILED(hr) ? hr : E_NOINTERFACE);
  hr = history->ClearHistory();
  history->Release();
  if (FAILED(hr)) ThrowComError(hr);
}

void SetMountTableForTesting(std::string_view) {}

void SetShellCallsForTesting(ShellCallCounts* calls) { g_testCalls = calls; }

}  // namespace vorlisk::platform
