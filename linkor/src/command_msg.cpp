// CommandMsg: a command from the call server with its qualifier.
#include "linkor/incoming_interfaces.h"
#include "message_makers.h"

namespace kez::linkor {
namespace {

constexpr std::size_t kRevision = 2;
constexpr std::size_t kHandle = 4;
constexpr std::size_t kCommand = 8;
constexpr std::size_t kQualifier = 10;

class CommandMsg final : public MessageOf<ICommandMsg> {
public:
    CommandMsg() : MessageOf("CommandMsg") {}

    HRESULT get_nDeviceHandle(std::int16_t& value) override { return getWordAt(kHandle, value); }
    HRESULT put_nDeviceHandle(std::int16_t value) override { return putWordAt(kHandle, value); }
    HRESULT get_nCommand(std::int16_t& value) override { return getWordAt(kCommand, value); }
    HRESULT put_nCommand(std::int16_t value) override { return putWordAt(kCommand, value); }
    HRESULT get_nQualifier(std::int16_t& value) override { return getWordAt(kQualifier, value); }
    HRESULT put_nQualifier(std::int16_t value) override { return putWordAt(kQualifier, value); }
    HRESULT get_nProtocolRevision(std::int16_t& value) override { return getWordAt(kRevision, value); }
    HRESULT put_nProtocolRevision(std::int16_t value) override { return putWordAt(kRevision, value); }
};

} // namespace

com::Ptr<JIPMessageBase> makeCommandMsg() { return std::make_shared<CommandMsg>(); }

} // namespace kez::linkor
