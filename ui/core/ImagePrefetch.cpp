#include "ui/core/ImagePrefetch.h"

#include <process.h>

#include "ui/core/ImageScaler.h"

namespace SkinUI {

CImagePrefetch::~CImagePrefetch() {
    Finish();
}

bool CImagePrefetch::Start(std::vector<TImage> images,
                           const CDpiScale& scale,
                           std::function<void()> alongside) {
    if (m_thread.IsValid() || (images.empty() && !alongside))
        return false;
    m_done.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_done.IsValid())
        return false;
    m_images = std::move(images);
    m_scale = scale;
    m_alongside = std::move(alongside);
    m_thread.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CImagePrefetch::Run, this, 0, nullptr)));
    if (!m_thread.IsValid()) {
        m_images.clear();
        m_alongside = nullptr;
        return false;
    }
    return true;
}

std::vector<CImagePrefetch::TImage> CImagePrefetch::Finish() {
    if (m_thread.IsValid()) {
        // Decoding a handful of skin images ends by itself; nothing can stop it half-way.
        ::WaitForSingleObject(m_done.Get(), INFINITE);
        m_thread.Reset();
        m_done.Reset();
    }
    return std::move(m_images);
}

unsigned __stdcall CImagePrefetch::Run(void* self) {
    auto* prefetch = static_cast<CImagePrefetch*>(self);
    const CDpiScale scale = prefetch->m_scale;
    for (TImage& job : prefetch->m_images) {
        job.image.reset(CRenderKit::DecodeImage(job.bytes, job.mask));
        if (!job.image || scale.IsIdentity())
            continue;
        std::unique_ptr<TImageInfo> sharper(CRenderKit::DecodeImage(job.sharperBytes, job.mask));
        job.scaled = CImageScaler::Resample(sharper ? *sharper : *job.image, scale.Scale(job.image->width),
                                            scale.Scale(job.image->height));
    }
    // The UI thread wakes here, not when the thread has ended: under Wine a thread's handle is signalled
    // some milliseconds after its function returns. Nothing of the prefetch is touched after this.
    std::function<void()> alongside = std::move(prefetch->m_alongside);
    ::SetEvent(prefetch->m_done.Get());
    if (alongside)
        alongside();
    return 0;
}

}  // namespace SkinUI
