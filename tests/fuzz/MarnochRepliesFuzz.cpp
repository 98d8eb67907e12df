// Any bytes as the replies Marnoch's processor gives to "?\n" and after a
// loader speed change, line by line: every reading of them ends, and a model
// read from a reply is one the program knows a text for or "none".
//
// The same bytes as a script of replies (ScriptedLine.h) on a line in
// memory to the program's port, read by the port's own code: the identification buffer (firmware, programmer,
// service mode and the loader's "?" prompt and banner), the way into the
// loader with its version reply, the loader's byte replies and the speed
// change. Every reader ends; a model and a unit mode are ones the program
// knows; a loader version is 0 or a version number; a byte query that
// succeeds has its bytes.

#include "FuzzCheck.h"
#include "ScriptedLine.h"
#include "marnoch/CSerialPort.h"
#include "marnoch/UnitPatterns.h"

#include <ctime>
#include <string>

namespace {

void MatchLines(const std::uint8_t* data, std::size_t size) {
    std::string line;
    auto feed = [&] {
        const marnoch::FirstPassMatch first = marnoch::MatchFirstPass(line);
        if (first.kind == marnoch::FirstPassMatch::None && first.model != marnoch::kModelNone)
            suitefuzz::fail("a model without a match");
        for (const bool probe : {false, true}) {
            if (marnoch::PassesAcceptance(line, probe)) {
                const int model = marnoch::ModelOfReply(line, probe);
                if (model < 0 || model > marnoch::kModelNone) suitefuzz::fail("a model code out of range");
                (void)marnoch::FoundText(model);
            }
        }
        (void)marnoch::IsLoaderBanner(line);
        line.clear();
    };
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') feed();
        else line.push_back(static_cast<char>(data[i]));
    }
    feed();
}

struct Link {
    suitefuzz::StepClock clock;
    suitefuzz::ScriptedLine line{clock};
    marnoch::SettingsImage image;
};

void CheckState(const marnoch::CSerialPort& port) {
    if (port.model() < 0 || port.model() > marnoch::kModelNone) suitefuzz::fail("a model code out of range");
    const int mode = port.unitMode();
    if (mode != marnoch::kModeLoader && mode != marnoch::kModeFirmware && mode != marnoch::kModeProgrammer &&
        mode != marnoch::kModeInvalidCommand && mode != marnoch::kModeNone)
        suitefuzz::fail("a unit mode the program does not know");
    const int version = port.loaderVersion();
    if (version != 0 && (version < 100 || version > 999)) suitefuzz::fail("a loader version out of its digits");
}

void Exchange(Link& link, const suitefuzz::Script& script) {
    // A port for each input, as each workflow builds its own.
    marnoch::CSerialPort port(
        link.image, link.clock,
        [](int com) { return std::string(com == 1 ? suitefuzz::ScriptedLine::kPath : ""); },
        [](std::tm& t) {
            t = std::tm{};
            return true;
        },
        &link.line);
    port.setPortName(suitefuzz::ScriptedLine::kPath);
    std::string text;
    if (!port.OpenPort(text)) suitefuzz::fail("the scripted line could not be opened");
    link.line.play(script.replies);
    switch (script.choice % 4) {
    case 0:
        (void)port.IdentifyUnit(0);
        break;
    case 1:
        (void)port.EnterLoader(text);
        break;
    case 2:
        port.setSpeedIndex(0);
        for (std::size_t i = 0; i <= script.replies.size(); ++i) {
            std::string reply;
            if (port.LoaderQuery("D", 200, reply, 1, 1) && reply.empty()) suitefuzz::fail("a byte reply without its byte");
        }
        break;
    default:
        (void)port.SetLoaderSpeed(true, text);
        break;
    }
    CheckState(port);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MatchLines(data, size);
    static Link link;
    Exchange(link, suitefuzz::Script::Parse(data, size));
    return 0;
}
