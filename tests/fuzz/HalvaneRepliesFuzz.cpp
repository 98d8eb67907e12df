// Any bytes as Halvane's processor replies. Line by line, each read as each
// kind of value the link asks for ("%d", "%lf", "%06X", "%08X") and as a
// firmware version text: every reading ends, a reading that says "one field"
// gave a value, and a version read has digits.
//
// The same bytes as a script of replies (ScriptedLine.h) on a line in
// memory to the program's port, read by the port's own code: the
// identification (model prefix search and version text), reply lines as the
// port assembles them, the power query, the receivers' set-and-confirm and
// the flagship's DSP read-back. Every reader ends; a model is one of the
// table's, a version at most five characters with no blank; a reply line
// never holds its end; a power state is 0 or 1; a DSP word has 24 bits
// unless a reply gave it a minus sign (read as scanf's "%06X" reads "-9").

#include "FuzzCheck.h"
#include "ScriptedLine.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/ModelTable.h"
#include "halvane/link/ReadBackContext.h"
#include "halvane/link/SetAndConfirm.h"
#include "halvane/link/WireText.h"

#include <cctype>
#include <cmath>
#include <optional>
#include <string>

namespace {

void ScanLines(const std::uint8_t* data, std::size_t size) {
    std::string line;
    auto feed = [&] {
        for (std::size_t skip : {std::size_t{0}, std::size_t{3}, std::size_t{6}}) {
            if (line.size() < skip) break;
            const std::string_view rest = std::string_view(line).substr(skip);
            int i = 0;
            (void)halvane::link::Comm::ScanValue(rest, "%d", i);
            double d = 0;
            const halvane::link::Comm::ScanResult r = halvane::link::Comm::ScanValue(rest, "%lf", d);
            if (r.fields == 1 && std::isnan(d) && rest.find_first_of("nN") == std::string_view::npos)
                suitefuzz::fail("a NaN read from text that names none");
            unsigned u = 0;
            (void)halvane::link::Comm::ScanValue(rest, "%06X", u);
            (void)halvane::link::Comm::ScanValue(rest, "%08X", u);
        }
        double number = 0;
        char letter = 0;
        if (halvane::link::Comm::CBasicTessikPort::ParseVersionText(line, number, letter) && !(number >= 0))
            suitefuzz::fail("a negative or NaN firmware version");
        line.clear();
    };
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') feed();
        else line.push_back(static_cast<char>(data[i]));
    }
    feed();
}

bool Signed(const suitefuzz::Script& script) {
    for (const std::string& reply : script.replies)
        if (reply.find('-') != std::string::npos) return true;
    return false;
}

struct Link {
    suitefuzz::StepClock clock;
    suitefuzz::ScriptedLine line{clock};
};

void Exchange(Link& link, const suitefuzz::Script& script) {
    // A port for each input, so that nothing one input leaves behind (a
    // failed link, a model) steers the next.
    halvane::link::Comm::CBasicTessikPort port(
        link.clock,
        platform::PortMap(nullptr, "/nonexistent-fuzz-dev",
                          [](const std::string& name) -> std::optional<std::string> {
                              if (name == "COM1") return suitefuzz::ScriptedLine::kPath;
                              return std::nullopt;
                          }),
        &link.line);
    if (!port.Open("COM1")) suitefuzz::fail("the scripted line could not be opened");
    port.Drain();
    link.line.play(script.replies);
    switch (script.choice % 5) {
    case 0:
        if (port.Identify()) {
            if (port.ModelIndex() < 0 || port.ModelIndex() >= halvane::link::ConTypes::kModelCount)
                suitefuzz::fail("a model outside the table");
            const std::string& version = port.VersionText();
            if (version.size() > 5) suitefuzz::fail("a version text of more than five characters");
            for (const char c : version)
                if (std::isspace(static_cast<unsigned char>(c))) suitefuzz::fail("a blank in the version text");
            double number = 0;
            char letter = 0;
            if (port.ParseVersion(number, letter) && !(number >= 0)) suitefuzz::fail("a negative firmware version");
        }
        break;
    case 1:
        for (std::size_t i = 0; i <= script.replies.size(); ++i) {
            std::string reply;
            if (port.SendAndReceive("P1P?;", "\n", &reply) && reply.find('\n') != std::string::npos)
                suitefuzz::fail("a reply line that holds its end");
        }
        break;
    case 2: {
        int state = -1;
        if (port.QueryPower(state) && state != 0 && state != 1) suitefuzz::fail("a power state other than 0 or 1");
        break;
    }
    case 3: {
        std::int64_t value = 0;
        (void)halvane::link::Comm::ReadConfirmValue(port, "QEX", "%d", value);
        (void)halvane::link::Comm::SetAndConfirm(port, "C01234", "%08X", 0xBF800000, halvane::link::Comm::ReplyForm::Strict);
        (void)halvane::link::Comm::SetAndConfirm(port, "G012", "%08X", 0x3F800000, halvane::link::Comm::ReplyForm::Loose);
        break;
    }
    default: {
        std::int32_t address = 0x002000;
        halvane::link::ReadBackContext context{&port, "%06X", "dq3850001%06X", &address};
        std::uint32_t word = 0;
        if (halvane::link::ReadDspWord(context, word) && word > 0xFFFFFFu && !Signed(script))
            suitefuzz::fail("a DSP word of more than 24 bits");
        (void)halvane::link::VerifyUploadWord(0xABCDEF, context);
        break;
    }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ScanLines(data, size);
    static Link link;
    Exchange(link, suitefuzz::Script::Parse(data, size));
    return 0;
}
