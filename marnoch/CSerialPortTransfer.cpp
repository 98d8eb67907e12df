// The transfer of the settings image through the boot loader at 115200:
// a read of all 4096 bytes, each confirmed by two reads that agree, or a
// program of the programmable ranges with a read-back of every byte as it
// is written and of the whole image once more at the end.

#include "marnoch/CSerialPort.h"

#include "marnoch/MarnochTexts.h"
#include "marnoch/SettingsFile.h"
#include "marnoch/Timing.h"

#include <cstdio>
#include <iterator>
#include <utility>

namespace marnoch {

namespace {

std::string addressCommand(unsigned address) {
    return std::string{'a', static_cast<char>((address >> 8) & 0xFF), static_cast<char>(address & 0xFF)};
}

std::string addressText(unsigned address) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%03X", address & 0xFFFu);
    return text;
}

std::string bytesText(int n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); }

// Progress of a program: the writing fills the first half of the bar, the
// read-back of the whole image the second.
int programPosition(unsigned address, bool readBack) {
    return static_cast<int>((readBack ? SettingsImage::kSize : 0) + address) / 2;
}

std::string byteText(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
    return text;
}

// The trace window of an address that was never read and confirmed.
constexpr std::size_t kNeverConfirmed = static_cast<std::size_t>(-1);

bool programmable(unsigned address) {
    for (const auto& range : kProgramRanges)
        if (address >= range.first && address < range.end) return true;
    return false;
}

}  // namespace

// One read of an address. It is clean when both exchanges were answered at
// their first sending with nothing else on the line: after a resend the
// answer to the first sending may still come, and a late "\r" would be taken
// for the data byte; after stray bytes the loader may have taken a byte of
// ours for an operand. A read that is not clean waits for such answers and
// drains them, and its byte is not trusted.
bool CSerialPort::readAddress(unsigned address, std::uint8_t& value, bool& clean) {
    std::string reply;
    clean = false;
    const bool addressed = LoaderCommand(addressCommand(address), timing::kAddressLimitMs);
    bool cleanSoFar = addressed && lastExchangeClean_;
    const bool read = addressed && LoaderQuery("D", timing::kReadByteLimitMs, reply, 1, timing::kReadByteRetries);
    cleanSoFar = cleanSoFar && read && lastExchangeClean_;
    if (!cleanSoFar) {
        if (trace_ != nullptr) trace_->spoilt();
        pause(timing::kReadByteLimitMs);
        DrainInput(false);
    }
    if (!read) return false;
    value = static_cast<std::uint8_t>(reply[0]);
    clean = cleanSoFar;
    return true;
}

// An address counts as read when two clean reads in a row agree; a read
// that lands at another address after a lost byte is not taken for the
// byte. `value` holds the last byte read, `anyRead` whether one came.
bool CSerialPort::readConfirmed(unsigned address, std::uint8_t& value, bool& anyRead) {
    anyRead = false;
    firstClean_ = -1;
    bool previousClean = false;
    int unclean = 0;
    for (int read = 0; read < timing::kByteTries;) {
        std::uint8_t byte = 0;
        bool clean = false;
        const bool got = readAddress(address, byte, clean);
        // A read spoilt by a late answer is made again, a few times over the
        // address's own tries.
        if (got && !clean && ++unclean <= timing::kExtraUncleanReads) {
            previousClean = false;
            continue;
        }
        ++read;
        if (!got) {
            previousClean = false;
            continue;
        }
        const bool agrees = previousClean && clean && byte == value;
        if (clean && firstClean_ < 0) firstClean_ = byte;
        value = byte;
        anyRead = true;
        previousClean = clean;
        if (agrees) return true;
    }
    return false;
}

bool CSerialPort::readConfirmedAgain(unsigned address, std::uint8_t& value) {
    bool anyRead = false;
    bool putInStep = false;
    bool read = readConfirmed(address, value, anyRead);
    while (!read && loaderAgain(putInStep)) read = readConfirmed(address, value, anyRead);
    return read;
}

void CSerialPort::settledAfterRead(unsigned address) {
    if (trace_ == nullptr) return;
    confirmedIn_[address] = trace_->window();
    firstRead_[address] = firstClean_;
    trace_->settled(address);
}

bool CSerialPort::retrieveLoop(CProgCtrl& progress, unsigned& stoppedAt) {
    for (unsigned address = 0; address < SettingsImage::kSize; ++address) {
        std::uint8_t value = 0;
        bool anyRead = false;
        loaderOutOfStep_ = false;
        bool putInStep = false;
        bool confirmed = readConfirmed(address, value, anyRead);
        // The loader no longer answers: it may have taken a lost command's
        // neighbour for its exit. It is brought back and asked again (a
        // few times in one transfer). One that answers but heard the
        // address as something else (a low byte 0x68 taken for its speed
        // command) is put back in step, as a programming's is.
        while (!confirmed && loaderAgain(putInStep)) confirmed = readConfirmed(address, value, anyRead);
        if (anyRead) image_[address] = value;
        if (!confirmed) {
            stoppedAt = address;
            return false;
        }
        settledAfterRead(address);
        if (address % timing::kProgressEvery == 0) progress.SetPos(static_cast<int>(address));
    }
    return true;
}

// One attempt after another until the byte read back is the one written:
// "a", "d", "a" again and "D"; an attempt in which any of them fails counts
// as a mismatch. A byte read back right after a resend or a stray answer is
// no proof that nothing else was written: a lost low address byte makes the
// resent "a" the low byte (0x?61), and the "d" that follows writes there.
bool CSerialPort::writeVerified(unsigned address, std::uint8_t value) {
    const auto wanted = static_cast<char>(value);
    for (int attempt = 0; attempt < timing::kByteTries; ++attempt) {
        std::string reply;
        bool clean = true;
        auto exchanged = [&](bool answered) {
            clean = clean && answered && lastExchangeClean_;
            return answered;
        };
        const bool verified =
            exchanged(LoaderCommand(addressCommand(address), timing::kAddressLimitMs)) &&
            exchanged(LoaderCommand(std::string{'d', wanted}, timing::kWriteByteLimitMs)) &&
            exchanged(LoaderCommand(addressCommand(address), timing::kAddressLimitMs)) &&
            exchanged(LoaderQuery("D", timing::kReadByteLimitMs, reply, 1, timing::kReadByteRetries)) &&
            reply[0] == wanted;
        if (verified) {
            if (trace_ != nullptr) {
                if (!clean) trace_->spoilt();
                trace_->settled(address);
            }
            return true;
        }
        if (trace_ != nullptr) trace_->spoilt();
    }
    return false;
}

bool CSerialPort::programLoop(CProgCtrl& progress, unsigned& stoppedAt) {
    for (const auto& range : kProgramRanges) {
        for (unsigned address = range.first; address < range.end; ++address) {
            loaderOutOfStep_ = false;
            bool putInStep = false;
            bool written = writeVerified(address, image_[address]);
            while (!written && loaderAgain(putInStep)) written = writeVerified(address, image_[address]);
            if (!written) {
                stoppedAt = address;
                return false;
            }
            if (address % timing::kProgressEvery == 0) progress.SetPos(programPosition(address, false));
        }
    }
    return true;
}

// Each byte was read back as it was written, but a write that a lost or
// damaged byte sent to another address changed a byte already checked. So
// every programmable byte is read once more; one that does not match is
// read until two reads agree before it counts as different.
bool CSerialPort::readBackLoop(CProgCtrl& progress, unsigned split, TransferOutcome& o, bool skipUnreadable) {
    // After a stopped programming an address the loader will not read twice
    // alike is counted and passed; a few in a row mean the line is gone.
    constexpr int kUnreadableInARow = 3;
    int inARow = 0;
    for (const auto& range : kProgramRanges) {
        for (unsigned address = range.first; address < range.end; ++address) {
            std::uint8_t value = 0;
            bool clean = false;
            loaderOutOfStep_ = false;
            if (!readAddress(address, value, clean) || !clean || value != image_[address]) {
                if (!readConfirmedAgain(address, value)) {
                    if (!skipUnreadable || ++inARow >= kUnreadableInARow) {
                        o.readBackStop = address;
                        return false;
                    }
                    ++o.unreadable;
                    continue;
                }
                if (value != image_[address]) ++(address < split ? o.differingBelow : o.differingAbove);
            }
            inARow = 0;
            readBackDiffers_[address] = value != image_[address] ? 1 : 0;
            if (trace_ != nullptr) {
                confirmedIn_[address] = trace_->window();
                trace_->settled(address);
            }
            if (address % timing::kProgressEvery == 0) progress.SetPos(programPosition(address, true));
        }
    }
    return true;
}

bool CSerialPort::loaderAnswers() {
    std::uint8_t value = 0;
    bool clean = false;
    return readAddress(kProgramRanges[0].first, value, clean);
}

// The loader no longer answers at 115200: it may have taken a byte for its
// exit or a speed change. It is looked for at every speed and entered
// again, a few times in one transfer at most.
bool CSerialPort::resumeLoader() {
    constexpr int kResumes = 8;
    if (resumes_ >= kResumes) return false;
    ++resumes_;
    SetTransferTimeouts(false);
    std::string ignored;
    if (!EnterLoader(ignored) || !SetLoaderSpeed(true, ignored)) {
        // Not found at any speed: the line is dead, and looking again
        // would only cost the same again.
        resumes_ = kResumes;
        return false;
    }
    // The loader answered its banner: its parser is idle, at an address
    // not known. What was sent before, the way in included, is replayed as
    // one window (the replay of a loader that left or changed speed stops
    // there, and what follows it is replayed from here on).
    if (trace_ != nullptr) {
        trace_->spoilt();
        trace_->close();
    }
    const auto prepare = [&](std::string_view command, std::int64_t limitMs) {
        const bool answered = LoaderCommand(command, limitMs);
        if ((!answered || !lastExchangeClean_) && trace_ != nullptr) trace_->spoilt();
    };
    prepare("x", timing::kPrepareLimitMs);
    prepare("P", timing::kProgramModeLimitMs);
    SetTransferTimeouts(true);
    // A clean read names the loader's address again.
    const unsigned first = kProgramRanges[0].first;
    std::uint8_t value = 0;
    bool clean = false;
    if (!readAddress(first, value, clean)) return false;
    if (clean && trace_ != nullptr) trace_->settled(first);
    return true;
}

bool CSerialPort::loaderReady() { return loaderAnswers() || resumeLoader(); }

// A loader that answered an address's commands with other bytes only heard
// them as something else, and resending them can keep it so: a lost "a"
// before the low byte 0x68 leaves it waiting for the divisor of its speed
// command "h", which takes the resent "a" (no speed has that divisor), and
// the resent low byte 0x68 is "h" again. The read that finds the loader
// answering puts it back in step (the "h" takes that read's "a", and its
// resend is heard), so the address gets its tries once more. A loader that
// no longer answers is brought back.
bool CSerialPort::loaderAgain(bool& putInStep) {
    const bool outOfStep = std::exchange(loaderOutOfStep_, false);
    if (!loaderAnswers()) return resumeLoader();
    if (!outOfStep || putInStep) return false;
    putInStep = true;
    return true;
}

void CSerialPort::readBackAfterStop(CProgCtrl& progress, TransferOutcome& o) {
    if (!loaderReady()) return;
    o.readBackTried = true;
    o.readBack = readBackLoop(progress, o.stoppedAt, o, true);
}

std::uint8_t CSerialPort::target(unsigned address, bool program) const {
    return program && !programmable(address) ? unwritten_[address] : image_[address];
}

bool CSerialPort::putBack(unsigned address, std::uint8_t value, bool& wrote) {
    loaderOutOfStep_ = false;
    bool putInStep = false;
    for (;;) {
        std::uint8_t held = 0;
        bool anyRead = false;
        if (readConfirmed(address, held, anyRead)) {
            if (trace_ != nullptr) trace_->settled(address);
            if (held == value) return true;
        }
        // Sent even when the read failed: the write's own read-back decides.
        wrote = true;
        if (writeVerified(address, value)) return true;
        // The loader may have taken a byte of ours for its exit (a byte put
        // back can be its "X"): it is brought back, or put in step, and the
        // address gets its tries again.
        if (!loaderAgain(putInStep)) return false;
    }
}

// A programming never writes 0x000-0x00F and 0x040-0x05F, but a lost byte
// can send a write there as anywhere: what the unit holds there is read
// first, so that such a write is found and put back like a backup's.
void CSerialPort::readUnwritten() {
    unwritten_.assign(SettingsImage::kSize, 0);
    for (unsigned address = 0; address < SettingsImage::kSize; ++address) {
        if (programmable(address)) continue;
        std::uint8_t value = 0;
        loaderOutOfStep_ = false;
        if (!readConfirmedAgain(address, value)) {
            // Its old byte stays unknown; a loader gone for good ends the
            // reading here, and the programming fails at its first byte.
            if (!loaderAnswers()) break;
            continue;
        }
        unwritten_[address] = value;
        settledAfterRead(address);
    }
}

// Every write the replay of lost bytes found possible is sorted. Where the
// unit's byte must stay as it was (a backup's, or one a programming never
// writes) and the write came after the address was read, the old byte is
// known: it is checked and, where the unit holds something else, written
// back and read again. A write before the read, or at an address never
// read, leaves an address whose old byte nobody knows, unless the byte
// read there is not the one the write would have left. A programmed
// address is written right where the read-back found it wrong after such a
// write could have landed. The putting back is traced too, so a byte lost
// in it is looked at again, a few rounds at most; it survives the loader
// leaving on a byte of ours, as the programming does.
void CSerialPort::repairStrayWrites(LoaderTrace& trace, TransferOutcome& o, bool program) {
    // Each round checks what the last one may have written astray; at one
    // byte in 50 lost the list shrinks by half or so a round.
    constexpr int kRounds = 10;
    std::set<unsigned> unsure;
    std::set<unsigned> failed;
    std::set<unsigned> check;
    std::set<unsigned> writtenFromStop;
    std::size_t seen = 0;
    auto sort = [&] {
        const auto& writes = trace.possibleWrites();
        for (; seen < writes.size(); ++seen) {
            const LoaderTrace::Write& w = writes[seen];
            if (w.address >= SettingsImage::kSize) {
                unsure.insert(w.address);
                continue;
            }
            const std::size_t readIn = confirmedIn_[w.address];
            const int first = firstRead_[w.address];
            if (program && programmable(w.address)) {
                if (readIn != kNeverConfirmed && w.window > readIn) {
                    if (w.value != image_[w.address]) check.insert(w.address);
                } else if (readIn != kNeverConfirmed && readBackDiffers_[w.address] == 1) {
                    // Written astray by the programming before the read-back
                    // came to it: the read-back saw what it left.
                    check.insert(w.address);
                }
                continue;
            }
            std::uint8_t& held = program ? unwritten_[w.address] : image_[w.address];
            if (readIn != kNeverConfirmed && w.window > readIn) {
                if (w.value != held) check.insert(w.address);
            } else if (readIn == w.window && held == w.value && first >= 0 && first != w.value) {
                // The address being read: its first clean read saw another
                // byte before the write the later reads agree on. That
                // byte was the unit's; it is kept and put back.
                held = static_cast<std::uint8_t>(first);
                check.insert(w.address);
            } else if (readIn == kNeverConfirmed || held == w.value) {
                unsure.insert(w.address);
            }
        }
    };
    // The window the transfer's loops left open goes on into the repairs;
    // what it holds so far is looked at first.
    trace.replayOpen();
    sort();
    for (int round = 0; round < kRounds && !check.empty(); ++round) {
        if (!loaderReady()) break;
        const std::set<unsigned> now = std::exchange(check, {});
        for (unsigned address : now) {
            bool wrote = false;
            const bool right = putBack(address, target(address, program), wrote);
            if (right) failed.erase(address);
            else failed.insert(address);
            if (!program || !programmable(address)) continue;
            if (wrote && !o.complete && address >= o.stoppedAt) writtenFromStop.insert(address);
            // A programming counts the byte as it now is: one it could not
            // write right is taken to differ, as the stray write left it.
            if (readBackDiffers_[address] >= 0) countDiffering(address, !right, o);
        }
        // A putting back that gave up left its window open: it is looked
        // at now like any other.
        trace.replayOpen();
        sort();
    }
    // The transfer ends here: its last bytes ("y" among them) close the
    // trace, and what they or anything before may have written is found
    // too late to be looked at.
    LoaderCommand("y", timing::kEndTransferLimitMs);
    trace.close();
    sort();
    for (unsigned a : check) failed.insert(a);
    o.writtenFromStop = static_cast<int>(writtenFromStop.size());
    o.notPutBack.clear();
    o.unsure.clear();
    for (unsigned a : failed) {
        if (!program || !programmable(a)) {
            o.notPutBack.push_back(a);
        } else if (readBackDiffers_[a] != 1) {
            // A programmed byte that could not be checked counts as differing.
            countDiffering(a, true, o);
            ++o.unchecked;
        }
    }
    for (unsigned a : unsure)
        if (!failed.count(a) && (!program || (a < SettingsImage::kSize && !programmable(a)))) o.unsure.push_back(a);
    o.traced = true;
}

void CSerialPort::countDiffering(unsigned address, bool differs, TransferOutcome& o) {
    const int was = readBackDiffers_[address] == 1 ? 1 : 0;
    (address < o.stoppedAt || o.complete ? o.differingBelow : o.differingAbove) += (differs ? 1 : 0) - was;
    readBackDiffers_[address] = static_cast<signed char>(differs ? 1 : 0);
}

std::string CSerialPort::strayText(bool program, const TransferOutcome& o, bool saved) const {
    if (o.unsure.empty() && o.notPutBack.empty()) return {};
    auto list = [](const std::vector<unsigned>& addresses) {
        std::string text;
        bool unknown = false;
        for (unsigned a : addresses) {
            if (a >= SettingsImage::kSize) {
                unknown = true;
                continue;
            }
            text += (text.empty() ? "" : ", ") + addressText(a);
        }
        if (unknown) text += text.empty() ? "an address not known" : " and an address not known";
        return text;
    };
    auto values = [&](const std::vector<unsigned>& addresses, bool readOnly) {
        std::string text;
        for (unsigned a : addresses) {
            if (a >= SettingsImage::kSize || (readOnly && confirmedIn_[a] == kNeverConfirmed)) continue;
            text += (text.empty() ? "" : ", ") + byteText(target(a, program)) + " at " + addressText(a);
        }
        return text;
    };
    const char* notWritten = program ? ", which programming does not write," : "";
    std::string text = "Bytes were lost on the line and the loader may have taken some for a write:";
    if (!o.unsure.empty()) {
        const bool one = o.unsure.size() == 1;
        text += std::string(" the unit's setting") + (one ? " at " : "s at ") + list(o.unsure) + notWritten +
                " may have changed during the " + (program ? "programming" : "reading") + " and " +
                (one ? "its" : "their") + " old " + (one ? "byte is" : "bytes are") + " not known.";
        // A backup's byte there was read after any such write: the unit and
        // the file agree on it. A failed backup writes no file.
        const std::string held = program ? std::string() : values(o.unsure, true);
        if (!held.empty()) text += (saved ? " The unit and the backup hold " : " The unit holds ") + held + ".";
    }
    if (!o.notPutBack.empty()) {
        const bool one = o.notPutBack.size() == 1;
        text += std::string(o.unsure.empty() ? " the" : " The") + " unit's setting" + (one ? " at " : "s at ") +
                list(o.notPutBack) + notWritten + " may have changed after " + (one ? "it was" : "they were") +
                " read and could not be checked or put back: " +
                (program ? "before the programming the unit held "
                         : saved ? "the backup holds the bytes read there, " : "when read the unit held ") +
                values(o.notPutBack, false) + ".";
    }
    return text;
}

// What a failed transfer left in the unit, after the FAILED text.
std::string CSerialPort::failureDetail(bool program, const TransferOutcome& o) const {
    std::string detail;
    auto add = [&](const std::string& sentence) { detail += (detail.empty() ? "" : " ") + sentence; };
    bool changed = false;
    const int differing = o.differing();
    auto differText = [&] {
        return bytesText(differing) + " of the unit's settings " + (differing == 1 ? "differs" : "differ") +
               " from the file";
    };
    if (!o.complete) {
        add((program ? "Programming" : "Reading") + std::string(" stopped at address ") + addressText(o.stoppedAt) +
            ".");
        if (program && o.writtenFromStop > 0)
            add("Putting right what lost bytes wrote astray, " + bytesText(o.writtenFromStop) +
                " of the file " + (o.writtenFromStop == 1 ? "was" : "were") + " then written from that address on.");
        changed = program;
        if (program && o.readBackTried && o.readBack) {
            add(differText() + ": " + std::to_string(o.differingBelow) + " below " + addressText(o.stoppedAt) +
                ", " + std::to_string(o.differingAbove) + " from it on.");
            if (o.unreadable > 0) add(bytesText(o.unreadable) + " could not be read back.");
        } else if (program && o.readBackTried) {
            add("The settings could be read back only up to address " + addressText(o.readBackStop) + ": " +
                std::to_string(o.differingBelow) + " of them below " + addressText(o.stoppedAt) + " and " +
                std::to_string(o.differingAbove) + " from it on differ from the file.");
        } else if (program) {
            add("The settings could not be read back.");
        }
    } else if (program && !o.readBack) {
        add("The settings could not be read back from address " + addressText(o.readBackStop) + " on.");
        if (differing > 0) add(bytesText(differing) + " before it differ from the file.");
        changed = true;
    } else if (program && differing > 0) {
        add(differText() + " after programming.");
        changed = true;
    }
    if (program && o.unchecked > 0)
        add(bytesText(o.unchecked) + " of these could not be checked after bytes were lost on the line; " +
            (o.unchecked == 1 ? "it is" : "they are") + " counted as differing.");
    const std::string stray = strayText(program, o, false);
    if (!stray.empty()) add(stray);
    if (!o.back) {
        if (o.leftInLoader) add(changed ? "The unit was left in its boot loader, half-programmed."
                                        : "The unit was left in its boot loader.");
        else add(changed ? "The unit no longer answers; it is half-programmed." : "The unit no longer answers.");
    } else if (changed) {
        add("The unit runs, half-programmed.");
    }
    if (program && (changed || !o.back)) add("Program the unit again.");
    return detail;
}

bool CSerialPort::transfer(std::string& text, CProgCtrl& progress, bool program) {
    const int startMode = unitMode_;
    const bool toBaseSpeed = startMode == kModeProgrammer;
    // The search left the port closed; every later step reopens it by name.
    if (!line_.isOpen()) {
        std::string ignored;
        OpenPort(ignored);
    }
    if (startMode == kModeFirmware) PowerOffZones();
    DrainInput(false);
    if (!EnterLoader(text) || !SetLoaderSpeed(true, text)) {
        if (program) text += "\n\nThe unit's settings were not changed.";
        return false;
    }
    LoaderCommand("x", timing::kPrepareLimitMs);
    LoaderCommand("P", timing::kProgramModeLimitMs);
    progress.SetRange(0, static_cast<int>(SettingsImage::kSize));
    progress.SetPos(1);
    progress.Show(true);
    progress.SetPos(0);

    SetTransferTimeouts(true);
    resumes_ = 0;
    TransferOutcome o;
    LoaderTrace trace(loaderVersion_);
    confirmedIn_.assign(SettingsImage::kSize, kNeverConfirmed);
    firstRead_.assign(SettingsImage::kSize, -1);
    readBackDiffers_.assign(SettingsImage::kSize, -1);
    struct Tracing {
        LoaderTrace*& slot;
        ~Tracing() { slot = nullptr; }
    } tracing{trace_};
    if (program) {
        // A lost byte can make the loader write at another address, during
        // the writing or the read-back; the whole is traced like a backup.
        // An address the read-back found wrong where such a write may have
        // landed, or that such a write may have changed after it was read
        // back, is read again and written right before the count is told.
        trace_ = &trace;
        readUnwritten();
        o.complete = programLoop(progress, o.stoppedAt);
        if (o.complete) o.readBack = readBackLoop(progress, SettingsImage::kSize, o, false);
        else readBackAfterStop(progress, o);
    } else {
        // Reading must not change the unit; what lost bytes may have made
        // the loader write is found from the bytes sent and put back.
        trace_ = &trace;
        o.complete = retrieveLoop(progress, o.stoppedAt);
    }
    // Every window replayed and what it found put right or counted.
    repairStrayWrites(trace, o, program);
    trace_ = nullptr;
    SetTransferTimeouts(false);

    // The unit is asked back to its firmware in every case; only a transfer
    // that succeeded is worth the recovery cycles. Nothing is judged good
    // over a trace not replayed to its end.
    const bool good = o.traced && o.complete && o.readBack && o.differing() == 0;
    o.back = LeaveLoader(text, toBaseSpeed);
    if (!o.back && good) {
        // Up to a few minutes on a silent line: the bar shows each query.
        constexpr int kQueriesPerCycle = (timing::kEnterCycles + timing::kLeaveCycles + 1) *
                                         static_cast<int>(std::size(kBaudRateTable)) * timing::kIdentifyTries;
        startTicking(progress, timing::kRecoveryCycles * kQueriesPerCycle);
        for (int cycle = 0; cycle < timing::kRecoveryCycles && !o.back; ++cycle) {
            pause(timing::kRecoveryPauseMs);
            std::string ignored;
            EnterLoader(ignored);
            o.back = LeaveLoader(ignored, toBaseSpeed);
        }
        stopTicking();
    }
    if (!good || !o.back) {
        o.leftInLoader = lastSeenInLoader_;
        text = (program ? text::kProgramFailed : text::kRetrieveFailed) + "\n\n" + failureDetail(program, o);
        ClosePort();
        progress.Show(false);
        return false;
    }
    bool clockSet = unitMode_ == kModeProgrammer;
    if (!clockSet) {
        // A unit that goes quiet here costs each try its query's four
        // sendings of seconds each: from the first resend on, the bar
        // starts again and moves with every sending.
        constexpr int kSendingsPerTry = timing::kQueryRetries + 1 + 2 * timing::kBareNewlineSendings;
        slowProgress_ = &progress;
        slowSteps_ = timing::kClockTries * kSendingsPerTry;
        for (int tries = 0; tries < timing::kClockTries && !clockSet; ++tries) {
            pause(timing::kClockPauseMs);
            clockSet = SetUnitClock();
        }
        slowProgress_ = nullptr;
        stopTicking();
    }
    text = program ? text::kProgrammedOk : text::kRetrievedOk;
    const std::string stray = strayText(program, o, true);
    if (!stray.empty()) text += "\n\n" + stray;
    if (!clockSet) text += "\n\n" + text::kClockNotSet;
    ClosePort();
    progress.Show(false);
    return true;
}

bool CSerialPort::RetrieveSettings(std::string& text, CProgCtrl& progress) { return transfer(text, progress, false); }

bool CSerialPort::ProgramSettings(std::string& text, CProgCtrl& progress) { return transfer(text, progress, true); }
bool CSerialPort::WriteSettingsFile(const std::string& path, std::string& text) {
    if (SaveSettingsFile(image_, path, text)) return true;
    ClosePort();
    return false;
}

bool CSerialPort::ReadSettingsFile(const std::string& path, std::string& text) {
    if (LoadSettingsFile(image_, path, text)) return true;
    ClosePort();
    return false;
}

}  // namespace marnoch
