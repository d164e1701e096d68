#pragma once
// Checks a package's signature on a thread of its own, since WinVerifyTrust reads the whole file,
// and hands the verdict back on the UI thread through the main-thread task queue, together with
// the handle that keeps the file from being swapped until the package has started.
// Start, Cancel and the callback: UI thread only.
#include <functional>
#include <string>
#include <vector>

#include "Runtime/RefPtr.h"
#include "Runtime/ScopedHandle.h"
#include "Updater/PackageTrust.h"

class CPackageCheck {
public:
    // The verdict and the file, held open with writing and deleting denied (invalid when it could
    // not be opened). Called on the UI thread, never from inside Start.
    using Done = std::function<void(const TrustResult& result, CScopedHandle file)>;

    CPackageCheck();
    ~CPackageCheck();
    CPackageCheck(const CPackageCheck&) = delete;
    CPackageCheck& operator=(const CPackageCheck&) = delete;

    // Opens `path` at once, then checks it against the pins off the UI thread. A check still
    // running is cancelled first.
    void Start(const std::wstring& path,
               std::vector<std::string> pins,
               UnsignedPackages withoutPins,
               Done done);
    // The verdict of a running check never arrives; its file is closed when the thread ends.
    void Cancel();
    bool IsBusy() const { return static_cast<bool>(m_job); }

    class Job;

private:
    CRefPtr<Job> m_job;
};
