#include "collaborators.h"

#include <utility>

namespace kez::corvane {

com::HRESULT adviseOn(const com::Ptr<com::Object>& source, const com::Guid& eventsIid,
                      const com::Ptr<com::Object>& sink, com::Cookie& cookie) {
    com::Ptr<com::IConnectionPointContainer> container;
    const com::HRESULT hr = com::query(source, container);
    if (com::FAILED(hr)) return hr;
    return container->Advise(eventsIid, sink, cookie);
}

com::HRESULT unadviseOn(const com::Ptr<com::Object>& source, const com::Guid& eventsIid, com::Cookie& cookie) {
    if (cookie == com::kNoCookie) return com::S_OK;
    const com::Cookie advised = std::exchange(cookie, com::kNoCookie);
    com::Ptr<com::IConnectionPointContainer> container;
    const com::HRESULT hr = com::query(source, container);
    if (com::FAILED(hr)) return hr;
    return container->Unadvise(eventsIid, advised);
}

} // namespace kez::corvane
