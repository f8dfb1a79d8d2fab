#pragma once
// One maker per message class, each defined beside its class.
#include "kez/com/object.h"
#include "linkor/message_base.h"

namespace kez::linkor {

com::Ptr<JIPMessageBase> makeUIStateControlMsg();
com::Ptr<JIPMessageBase> makeKzSetInitMsg();
com::Ptr<JIPMessageBase> makeSystemStateMsg();
com::Ptr<JIPMessageBase> makeCallStateControlMsg();
com::Ptr<JIPMessageBase> makeLEDMappingMsg();
com::Ptr<JIPMessageBase> makePlayDTMFMsg();
com::Ptr<JIPMessageBase> makeCommandMsg();
com::Ptr<JIPMessageBase> makeSlavePageCmdMsg();
com::Ptr<JIPMessageBase> makePageCommandMsg();
com::Ptr<JIPMessageBase> makeUnsupportedFeatureMsg();
com::Ptr<JIPMessageBase> makeKzSetEventMsg();
com::Ptr<JIPMessageBase> makeStatusMsg();
com::Ptr<JIPMessageBase> makeReportIPInfoMsg();
com::Ptr<JIPMessageBase> makeRealTimeAudioMsg();
com::Ptr<JIPMessageBase> makeReliableAudioMsg();

} // namespace kez::linkor
