// procsim: a simulated processor on a pseudo-terminal, so the programs can be
// run without a processor. It prints the device to point a program at.

#include "sim/AlsaMicrophoneConfig.h"
#include "sim/FaultOptions.h"
#include "sim/FifoMicrophone.h"
#include "sim/HalvaneDialect.h"
#include "sim/IdentDialect.h"
#include "sim/MarnochDialect.h"
#include "sim/PellivarDialect.h"
#include "sim/MicrophoneScale.h"
#include "sim/Room.h"
#include "sim/Simulator.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <functional>
#include <thread>
#include <poll.h>
#include <unistd.h>

namespace {

std::atomic<bool> g_stop{false};
void onSignal(int) { g_stop = true; }

void usage(FILE* f) {
    std::fprintf(f,
                 "usage: procsim [--dialect ident|halvane|marnoch|pellivar] [--ident TEXT] [--baud N] [--framing 8N1|8N2]\n"
                 "               [--terminators \"\\n;\"] [--link PATH] [--echo] [--paced] [--dump-memory FILE]\n"
                 "               [--model 0-8] [--firmware VERSION]   (halvane: 8N2, \"\\n\" and \";\")\n"
                 "  Runs a simulated processor on a pseudo-terminal until interrupted.\n"
                 "  --link PATH  also make PATH a symbolic link to the device (e.g. /tmp/COM3); removed when\n"
                 "               the line is cut (--disconnect-after)\n"
                 "  --paced      take a real line's time: every character, both ways, takes its wire time at\n"
                 "               the speed and framing the program set (19200 8N2: 0.57 ms a character)\n"
                 "  --dump-memory FILE  on exit write what the processor holds to FILE as plain text:\n"
                 "               Halvane's settings, levels and DSP words (receivers: float-bit words),\n"
                 "               Marnoch's 4096 bytes, Pellivar's settings (see README)\n"
                 "  Every command received is printed with its time in ms since procsim started.\n"
                 "  --dialect marnoch [--state fw|prog|svc|ldr] [--memory-seed N]: Marnoch's processor,\n"
                 "               firmware at --baud (8N2), loader at 19200/115200, memory random from N (0: zeros)\n"
                 "  --dialect halvane, the room and its measurement microphone:\n"
                 "    --microphone FIFO    write what the microphone hears to FIFO (created if missing): raw\n"
                 "                         48 kHz 16-bit stereo, the microphone in both channels; the test tone\n"
                 "                         of the playing channel through the room, background noise between\n"
                 "                         tones. Unread sound is dropped (counted), never waited for.\n"
                 "    --room-seed N        the room (the same seed gives the same room; default 1)\n"
                 "    --alsa-config PATH   write an ALSA configuration with a capture device reading FIFO,\n"
                 "                         listed as \"%s\"; run the program with ALSA_CONFIG_PATH=PATH\n"
                 "                         (or append the file's lines to ~/.asoundrc yourself)\n"
                 "    --speed X            write X times faster than real time (tests; default 1)\n"
                 "    --move auto|keys     how the microphone changes listening position:\n"
                 "                         auto (default): when a channel's tone starts again after it was\n"
                 "                         measured at this position, the person has moved the microphone on\n"
                 "                         (a measurement run plays every channel once per position);\n"
                 "                         keys: only by typed lines. Either way a line typed on procsim's\n"
                 "                         terminal moves it: an empty line or \"n\" to the next position,\n"
                 "                         a number N to position N.\n",
                 sim::kAlsaMicrophoneDescription);
    std::fputs(sim::FaultOptionsHelp(), f);
}

// A whole number from `lo` to `hi`, the whole text of it.
bool wholeNumber(const std::string& text, long long lo, long long hi, long long& out) {
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, out);
    return !text.empty() && r.ec == std::errc() && r.ptr == end && out >= lo && out <= hi;
}

bool writeMemory(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

bool parseFraming(const std::string& s, int baud, platform::LineSettings& out) {
    if (s == "8N1") out = platform::LineSettings::eightN1(baud);
    else if (s == "8N2") out = platform::LineSettings::eightN2(baud);
    else return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string dialect = "ident";
    std::string ident = "Tolvarine Z6 v1.31c";
    std::string framing = "8N2";
    std::string terminators = "\n";
    std::string link;
    bool echo = false;
    bool identGiven = false;
    std::string state = "fw";
    unsigned memorySeed = 1;
    int baud = 19200;
    int model = 0;
    std::string firmware = "1.31c";
    std::string microphone;
    std::string alsaConfig;
    unsigned roomSeed = 1;
    double speed = 1;
    std::string move = "auto";
    sim::FaultOptions faults;
    std::string faultError;
    bool paced = false;
    std::string dumpMemory;

    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "procsim: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        auto number = [&](long long lo, long long hi) -> long long {
            const std::string text = value();
            long long v = 0;
            if (!wholeNumber(text, lo, hi, v)) {
                std::fprintf(stderr, "procsim: %s takes a whole number from %lld to %lld, not %s\n", a.c_str(), lo, hi,
                             text.c_str());
                std::exit(2);
            }
            return v;
        };
        if (a == "--dialect") dialect = value();
        else if (a == "--ident") ident = value(), identGiven = true;
        else if (a == "--state") state = value();
        else if (a == "--memory-seed") memorySeed = static_cast<unsigned>(number(0, 4294967295LL));
        else if (a == "--baud") baud = static_cast<int>(number(1, 1000000000));
        else if (a == "--framing") framing = value();
        else if (a == "--terminators") terminators = value();
        else if (a == "--link") link = value();
        else if (a == "--echo") echo = true;
        else if (a == "--model") model = static_cast<int>(number(0, sim::HalvaneDialect::kModelCount - 1));
        else if (a == "--firmware") firmware = value();
        else if (a == "--microphone") microphone = value();
        else if (a == "--alsa-config") alsaConfig = value();
        else if (a == "--room-seed") roomSeed = static_cast<unsigned>(number(0, 4294967295LL));
        else if (a == "--speed") speed = std::atof(value().c_str());
        else if (a == "--move") move = value();
        else if (a == "--paced") paced = true;
        else if (a == "--dump-memory") dumpMemory = value();
        else if (const int f = sim::ParseFaultOption(argc, argv, i, faults, faultError); f != 0) {
            if (f < 0) return std::fprintf(stderr, "procsim: %s\n", faultError.c_str()), 2;
        } else if (a == "--help" || a == "-h") {
            usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "procsim: unknown argument %s\n", a.c_str());
            usage(stderr);
            return 2;
        }
    }
    if (!platform::IsSupportedBaud(baud)) {
        std::fprintf(stderr, "procsim: unsupported speed %d\n", baud);
        return 2;
    }
    platform::LineSettings line;
    if (!parseFraming(framing, baud, line)) {
        std::fprintf(stderr, "procsim: framing must be 8N1 or 8N2, not %s\n", framing.c_str());
        return 2;
    }
    std::string terms;
    for (std::size_t i = 0; i < terminators.size(); ++i) {
        if (terminators[i] == '\\' && i + 1 < terminators.size() && terminators[i + 1] == 'n') {
            terms.push_back('\n');
            ++i;
        } else {
            terms.push_back(terminators[i]);
        }
    }

    if (!microphone.empty() && dialect != "halvane") {
        std::fprintf(stderr, "procsim: --microphone needs --dialect halvane\n");
        return 2;
    }
    if (!alsaConfig.empty() && microphone.empty()) {
        std::fprintf(stderr, "procsim: --alsa-config needs --microphone\n");
        return 2;
    }
    if (!(speed > 0 && speed <= 64) || (move != "auto" && move != "keys")) {
        std::fprintf(stderr, "procsim: --speed takes 0 < X <= 64, --move auto or keys\n");
        return 2;
    }

    std::unique_ptr<sim::Dialect> d;
    std::function<int()> toneSource;
    if (dialect == "ident") {
        auto id = std::make_unique<sim::IdentDialect>(ident, line, terms);
        id->setEcho(echo);
        d = std::move(id);
    } else if (dialect == "halvane") {
        auto h = std::make_unique<sim::HalvaneDialect>(model, firmware, baud);
        line = h->expectedLine();
        toneSource = h->toneSource();
        d = std::move(h);
    } else if (dialect == "marnoch") {
        sim::MarnochDialect::Config c;
        if (identGiven) c.identification = ident;
        c.firmwareBaud = baud;
        using S = sim::MarnochDialect::State;
        c.start = state == "prog" ? S::Programmer : state == "svc" ? S::Service : state == "ldr" ? S::Loader : S::Firmware;
        auto m = std::make_unique<sim::MarnochDialect>(c);
        unsigned x = memorySeed;
        for (auto& b : m->memory()) b = memorySeed == 0 ? 0 : static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 16);
        line = m->expectedLine();
        d = std::move(m);
    } else if (dialect == "pellivar") {
        // Pellivar's processor: 8N1, ";" and "\n" end commands; --ident names the model.
        line = platform::LineSettings::eightN1(baud);
        auto p = std::make_unique<sim::PellivarDialect>(ident, baud);
        p->knobs().echoQueries = echo;
        d = std::move(p);
    } else {
        std::fprintf(stderr, "procsim: unknown dialect %s (known: ident, halvane, marnoch, pellivar)\n", dialect.c_str());
        return 2;
    }

    // The log's times count from here.
    platform::Clock& clock = platform::systemClock();
    const std::int64_t startMs = clock.nowMs();
    sim::Simulator simulator(std::move(d), clock);
    // Every command is printed as it comes; only the newest are kept.
    simulator.log().setLimit(4096);
    simulator.setPaced(paced);
    if (!simulator.start()) {
        std::fprintf(stderr, "procsim: %s\n", simulator.error().c_str());
        return 1;
    }
    if (std::string note; faults.any()) {
        sim::ApplyFaultOptions(faults, simulator, note);
        if (!note.empty()) std::fprintf(stderr, "procsim: %s\n", note.c_str());
    }
    std::printf("procsim: %s dialect on %s (%s%s)\n", dialect.c_str(), simulator.slavePath().c_str(),
                line.text().c_str(), paced ? ", paced at the line's speed" : "");
    if (!link.empty()) {
        ::unlink(link.c_str());
        if (::symlink(simulator.slavePath().c_str(), link.c_str()) != 0) {
            std::fprintf(stderr, "procsim: cannot link %s: %s\n", link.c_str(), std::strerror(errno));
            return 1;
        }
        std::printf("procsim: %s -> %s\n", link.c_str(), simulator.slavePath().c_str());
    }
    std::printf("procsim: point a program at it with COM1=%s (any COMn works); Ctrl-C ends\n",
                link.empty() ? simulator.slavePath().c_str() : link.c_str());

    // The room and the microphone (the Tessik QEX-1 the ALSA device names,
    // with its response, at a real room's levels): the writer runs on its
    // own thread, so a reader that is slow or gone never holds up the
    // serial line.
    sim::Room room(roomSeed);
    sim::Microphone mic(room);
    std::unique_ptr<sim::FifoMicrophone> fifo;
    std::thread keys;
    if (!microphone.empty()) {
        mic.setToneSource(toneSource);
        mic.setKnobs(sim::CalibratedKnobs(sim::kAlsaMicrophoneDescription));
        sim::FifoMicrophone::Options o;
        o.path = microphone;
        o.speed = speed;
        o.autoMove = move == "auto";
        fifo = std::make_unique<sim::FifoMicrophone>(mic, toneSource, o);
        fifo->onMove([](int position) { std::printf("procsim: the microphone is at position %d\n", position + 1); });
        if (!fifo->start()) {
            std::fprintf(stderr, "procsim: %s\n", fifo->error().c_str());
            return 1;
        }
        // The tone switches before the processor answers: a recording the
        // program starts on the answer hears only the new tone.
        simulator.withDialect<sim::HalvaneDialect>([&fifo](sim::HalvaneDialect& h) {
            h.setToneObserver([mic = fifo.get()](int channel) { mic->noteTone(channel); });
            return 0;
        });
        std::printf("procsim: microphone on %s (room %u, 48 kHz 16-bit stereo, %gx real time, %zu bytes of FIFO)\n",
                    microphone.c_str(), roomSeed, speed, fifo->pipeCapacity());
        if (!alsaConfig.empty()) {
            std::string error;
            if (!sim::WriteAlsaMicrophoneConfig(alsaConfig, microphone, error)) {
                std::fprintf(stderr, "procsim: %s\n", error.c_str());
                return 1;
            }
            std::printf("procsim: ALSA device \"%s\" in %s: start the program with ALSA_CONFIG_PATH=%s\n",
                        sim::kAlsaMicrophoneDescription, alsaConfig.c_str(), alsaConfig.c_str());
        }
        std::printf("procsim: the microphone is at position 1 (%s)\n",
                    move == "auto" ? "it moves on when a channel is measured again; Enter moves it too"
                                   : "Enter moves it on");
        keys = std::thread([&fifo] {
            std::string pending;
            while (!g_stop) {
                pollfd p{STDIN_FILENO, POLLIN, 0};
                if (::poll(&p, 1, 100) <= 0) continue;
                char c = 0;
                if (::read(STDIN_FILENO, &c, 1) != 1) return;  // no terminal (end of input)
                if (c != '\n') {
                    pending.push_back(c);
                    continue;
                }
                long long n = 0;
                if (wholeNumber(pending, 1, 1000000, n)) fifo->moveTo(static_cast<int>(n - 1));
                else fifo->moveNext();
                pending.clear();
                std::printf("procsim: the microphone is at position %d\n", fifo->counts().position + 1);
                std::fflush(stdout);
            }
        });
    }
    std::fflush(stdout);

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);
    // Follows the log: wakes when commands come (or to look at the signal
    // flag), prints only the new ones.
    std::uint64_t shown = 0;
    const auto printNew = [&] {
        for (;;) {
            std::uint64_t missed = 0;
            const auto entries = simulator.log().since(shown, 256, &missed);
            if (missed > 0) std::printf("procsim: (%llu commands not shown: they came faster than they could be printed)\n",
                                        static_cast<unsigned long long>(missed));
            for (const auto& e : entries)
                std::printf("procsim: %8lld ms  %s\n", static_cast<long long>(e.timeMs - startMs), e.text.c_str());
            if (entries.empty()) break;
        }
        std::fflush(stdout);
    };
    bool linked = !link.empty();
    while (!g_stop) {
        if (simulator.log().waitForNew(shown, 200)) printNew();
        // Cut, the line's number is the system's to give to the next
        // pseudo-terminal: the link must not lead a program there.
        if (linked && !simulator.lineUp()) {
            ::unlink(link.c_str());
            linked = false;
            std::printf("procsim: the line is cut; %s removed\n", link.c_str());
            std::fflush(stdout);
        }
    }
    if (fifo) {
        simulator.withDialect<sim::HalvaneDialect>([](sim::HalvaneDialect& h) {
            h.setToneObserver(nullptr);
            return 0;
        });
        fifo->stop();
        if (keys.joinable()) keys.join();
        const auto c = fifo->counts();
        std::printf("procsim: microphone wrote %lld frames, dropped %lld unread, %lld at tone changes\n",
                    static_cast<long long>(c.written), static_cast<long long>(c.dropped),
                    static_cast<long long>(c.flushed));
        if (mic.clippedSamples() > 0)
            std::printf("procsim: the microphone clipped %lld samples (those takes are not the room's response)\n",
                        static_cast<long long>(mic.clippedSamples()));
        if (!alsaConfig.empty()) ::unlink(alsaConfig.c_str());
    }
    simulator.stop();
    printNew();
    if (linked) ::unlink(link.c_str());
    if (!dumpMemory.empty()) {
        const std::string text = simulator.withDialect<sim::Dialect>([&](const sim::Dialect& dl) {
            return "# written by procsim " + std::to_string(clock.nowMs() - startMs) + " ms after it started\n" +
                   dl.memoryText();
        });
        if (!writeMemory(dumpMemory, text)) {
            std::fprintf(stderr, "procsim: cannot write %s: %s\n", dumpMemory.c_str(), std::strerror(errno));
            return 1;
        }
        std::printf("procsim: the processor's memory is in %s\n", dumpMemory.c_str());
    }
    return 0;
}
