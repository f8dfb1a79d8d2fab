#pragma once
// The EndPoint class: IEndPoint over a Ralnet interface, its receive threads and its hidden
// window "EndPointWindow", events through IConnectionPointContainer.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "adapter_lists.h"
#include "event_delivery.h"
#include "kez/apt/hidden_window.h"
#include "kez/com/connection_point_container.h"
#include "lent_packet.h"
#include "linkor/end_point.h"
#include "multicast_tables.h"
#include "receive_threads.h"
#include "send_arguments.h"

namespace kez::linkor {

class EndPoint final : public com::Implements<IEndPoint, com::IConnectionPointContainer>, private MulticastLink {
public:
    EndPoint();
    // A final release without Close closes; the receive threads end before anything they
    // reach is freed.
    ~EndPoint() override;
    EndPoint(const EndPoint&) = delete;
    EndPoint& operator=(const EndPoint&) = delete;

    bool created() const { return window_.created(); }

    HRESULT Open() override;
    HRESULT Close() override;
    HRESULT SendPacket(const com::Ptr<com::Object>& pDisp) override;
    HRESULT get_varSourceMac(Variant& value) override;
    HRESULT SendAudioPacket(const com::Ptr<com::Object>& pDisp) override;
    HRESULT get_varRawAdapters(Variant& value) override;
    HRESULT get_nAdapter(std::int16_t& value) override;
    HRESULT put_nAdapter(std::int16_t value) override;
    HRESULT get_varAdapterDescriptions(Variant& value) override;
    HRESULT get_bUseThread(com::VariantBool& value) override;
    HRESULT put_bUseThread(com::VariantBool value) override;
    HRESULT AddMulticastIP(const Variant& varIP) override;
    HRESULT DeleteMulticastIP(const Variant& varIP) override;
    HRESULT AddMulticastMac(const Variant& varMac) override;
    HRESULT DeleteMulticastMac(const Variant& varMac) override;
    HRESULT get_varLocalIP(Variant& value) override;
    HRESULT put_varLocalIP(const Variant& value) override;
    HRESULT SetChannelParameters(const Variant& varMac) override;
    HRESULT get_bAllMulticast(com::VariantBool& value) override;
    HRESULT put_bAllMulticast(com::VariantBool value) override;

    HRESULT Advise(const com::Guid& eventsIid, const com::Ptr<com::Object>& sink, com::Cookie& cookie) override;
    HRESULT Unadvise(const com::Guid& eventsIid, com::Cookie cookie) override;

    HRESULT supportsErrorInfo(const com::Guid& interfaceId) const override;

    // Packets given back unread because no event carries their pair.
    std::uint64_t droppedPackets() const { return state_->dropped; }

private:
    // MulticastLink: the open interface's groups and multicast list.
    void join(const IpAddress& group) override;
    void leave(const IpAddress& group) override;
    bool setMacList(std::span<const std::uint8_t> list) override;

    HRESULT fail(HRESULT hr, std::string_view text) const;
    HRESULT ensureAdapters();
    HRESULT startInterface();
    HRESULT startThreads();
    // Close's work; `joinLimit` bounds the wait for each receive thread.
    void shutDown(sys::Timeout joinLimit);
    void drainWindow();
    apt::Result onMessage(apt::Message& message);
    // This object as the link while open, else none: nothing reaches Ralnet before Open or
    // after Close.
    MulticastLink* openLink() { return open_ ? this : nullptr; }
    HRESULT send(const com::Ptr<com::Object>& object, SendKind kind);
    template <std::size_t N>
    HRESULT readAddress(const Variant& value, std::array<std::uint8_t, N>& address) const;
    HRESULT multicastOutcome(TableChange change, std::string_view fullText) const;

    const std::thread::id creator_ = std::this_thread::get_id();
    const std::shared_ptr<ReceiveState> state_ = std::make_shared<ReceiveState>();
    const std::shared_ptr<EndPointEvents> events_ = std::make_shared<EndPointEvents>();
    const EventDelivery delivery_{state_, events_};
    J5IpSettings ipSettings_{};
    std::optional<AdapterLists> adapters_;
    std::string adapterName_; // Ralnet may keep a pointer to the name while open
    std::int16_t adapter_ = -1;
    bool allMulticast_ = false;
    std::atomic<bool> open_{false};
    MulticastTables tables_;
    mutable std::mutex ownMacLock_;
    MacAddress ownMac_{};
    apt::HiddenWindow window_;
    ReceiveThreads threads_; // joined before the window and the state they reach go
};

// The packet filter for the all-multicast mode: directed, broadcast and either the listed
// multicast addresses (11) or every multicast address (13).
std::uint32_t packetFilterFor(bool allMulticast);

// A new endpoint, or null when its window could not be made.
com::Ptr<com::Object> makeEndPoint();

} // namespace kez::linkor
