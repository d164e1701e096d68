#include "Updater/PackageCheck.h"

#include <process.h>

#include "Runtime/MainThreadTask.h"

// Shared by the checking thread (path, pins, file handle, result until it posts itself) and the
// UI thread (owner and callback, and everything once it has been posted).
class CPackageCheck::Job : public MainThreadTaskBase {
public:
    Job(CPackageCheck* owner,
        const std::wstring& path,
        std::vector<std::string> pins,
        UnsignedPackages withoutPins,
        Done done)
        : m_owner(owner),
          m_path(path),
          m_pins(std::move(pins)),
          m_withoutPins(withoutPins),
          m_done(std::move(done)),
          m_file(PackageTrust::OpenLocked(path)) {
        if (!m_file.IsValid())
            m_result.status = static_cast<LONG>(GetLastError());
    }

    // Checking thread.
    void Check() {
        if (m_file.IsValid())
            m_result = PackageTrust::Verify(m_file.Get(), m_path, m_pins, m_withoutPins);
        PostToMainThread(&RunMainThreadTask, CRefPtr<MainThreadTaskBase>(this));
    }

    // UI thread, from the task queue.
    void Run() override {
        CPackageCheck* owner = m_owner;
        if (!owner)
            return;
        m_owner = nullptr;
        CRefPtr<Job> keep(this);
        owner->m_job.reset();
        Done done = std::move(m_done);
        done(m_result, std::move(m_file));
    }

    void Disown() { m_owner = nullptr; }

    static unsigned __stdcall ThreadProc(void* argument) {
        CRefPtr<Job> job(static_cast<Job*>(argument));
        job->Release();  // the reference taken for the thread, now held by `job`
        job->Check();
        return 0;
    }

private:
    CPackageCheck* m_owner;
    std::wstring m_path;
    std::vector<std::string> m_pins;
    UnsignedPackages m_withoutPins;
    Done m_done;
    CScopedHandle m_file;
    TrustResult m_result;
};

CPackageCheck::CPackageCheck() = default;

CPackageCheck::~CPackageCheck() {
    Cancel();
}

void CPackageCheck::Start(const std::wstring& path,
                          std::vector<std::string> pins,
                          UnsignedPackages withoutPins,
                          Done done) {
    Cancel();
    m_job = CRefPtr<Job>(new Job(this, path, std::move(pins), withoutPins, std::move(done)));
    m_job->AddRef();  // for the thread
    const uintptr_t thread = _beginthreadex(nullptr, 0, &Job::ThreadProc, m_job.get(), 0, nullptr);
    if (thread) {
        CloseHandle(reinterpret_cast<HANDLE>(thread));
        return;
    }
    // No thread to be had: check here; the verdict still arrives through the queue.
    m_job->Release();
    m_job->Check();
}

void CPackageCheck::Cancel() {
    if (!m_job)
        return;
    m_job->Disown();
    m_job.reset();
}
