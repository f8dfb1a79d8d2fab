// PageCommandMsg and UnsupportedFeatureMsg: creatable, with nothing beyond IJIPMessage.
#include "linkor/incoming_interfaces.h"
#include "message_makers.h"

namespace kez::linkor {
namespace {

class PageCommandMsg final : public MessageOf<IPageCommandMsg> {
public:
    PageCommandMsg() : MessageOf("PageCommandMsg") {}
};

class UnsupportedFeatureMsg final : public MessageOf<IUnsupportedFeatureMsg> {
public:
    UnsupportedFeatureMsg() : MessageOf("UnsupportedFeatureMsg") {}
};

} // namespace

com::Ptr<JIPMessageBase> makePageCommandMsg() { return std::make_shared<PageCommandMsg>(); }
com::Ptr<JIPMessageBase> makeUnsupportedFeatureMsg() { return std::make_shared<UnsupportedFeatureMsg>(); }

} // namespace kez::linkor
