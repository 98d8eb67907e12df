#pragma once

#include "halvane/link/ObjectRegistry.h"
#include "halvane/link/UnitClassLimits.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace halvane::link::Comm {
class CBasicTessikPort;
}
namespace halvane::link {
class UploadSource;  // the project document as the uploads see it
}

namespace halvane::diagnostics::ConTypes {
class Progress;
}

namespace halvane::link::ConTypes {


// One object per known processor model: its model index, its unit class,
// and the command set of its family behind one interface. The objects
// register themselves; a job finds the connected processor by asking each
// in turn whether the port answers with its model (FindConnectedUnit).
// Every unit talks through the port it was created with: the program's one
// port, handed to each unit when the units are created (CreateUnits).
// While a job holds a unit, the unit reports texts, steps and questions
// through the job's progress object. Operations that fail for good throw
// diagnostics::TException with the text for the user.
class UnitBase : public ObjectRegistry<UnitBase> {
public:
    UnitBase(std::int32_t modelIndex, std::int32_t unitClass, Comm::CBasicTessikPort& port);
    virtual ~UnitBase();
    UnitBase(const UnitBase&) = delete;
    UnitBase& operator=(const UnitBase&) = delete;

    // Shared by every family.
    virtual void GetPortDescription(std::string& out) const;  // "COM3@19200"
    // Runs the one port search of a walk when none has been attempted since
    // the last disconnect; then whether the port found this unit's model.
    virtual bool IsConnected();
    // Closes the port and allows the next search.
    virtual void Disconnect();

    // The family's command set.
    virtual void CheckFirmwareVersion() = 0;
    virtual void PowerOn() = 0;
    virtual void PowerOff(std::int32_t askOnFailure) = 0;
    virtual void PrepareMeasurement(std::int32_t flag) = 0;
    virtual void EndMeasurement() = 0;
    virtual void StartTestTone(std::int32_t channel, std::int32_t second) = 0;
    virtual void StopTestTone(std::int32_t channel, std::int32_t second) = 0;
    virtual void BeginSpeakerUpload() = 0;
    virtual void EndSpeakerUpload(std::int32_t flag) = 0;
    virtual void PrepareUpload() = 0;
    virtual void EndUpload(std::int32_t flag) = 0;
    virtual void UploadSpeakerConfig(link::UploadSource* document) = 0;
    virtual void UploadSpeakerLevels(link::UploadSource* document) = 0;
    virtual void UploadCoefficients(bool erase, link::UploadSource* document) = 0;
    virtual bool VerifyCoefficients(link::UploadSource* document, std::int32_t second) = 0;
    virtual void UploadGains(bool erase, link::UploadSource* document) = 0;

    void GetModelName(std::string& out) const;
    std::string ModelName() const;

    std::int32_t ModelIndex() const { return modelIndex_; }
    std::int32_t UnitClass() const { return unitClass_; }
    // The rates and stages this unit's class takes: what its uploads write,
    // whatever the document's unit kind.
    link::UnitClassLimits Limits() const { return link::UnitClassLimits::ForUnitClassOrInitial(unitClass_); }
    bool IsEnabled() const { return (enabled_ & 1u) != 0; }
    void SetEnabled(bool on) { enabled_ = on ? 1u : 0u; }
    diagnostics::ConTypes::Progress* GetProgress() const { return progress_; }
    // Also lets the port's waits end as soon as that job is aborted.
    void SetProgress(diagnostics::ConTypes::Progress* progress);

    // The port this unit talks through (the program's one port): a job
    // that holds the unit reaches the processor's line through it.
    Comm::CBasicTessikPort& Port() const { return *port_; }

    // How many filter or gain words this unit has begun to send: a job
    // tells from it whether a failed upload changed the processor's filters.
    std::int64_t FilterWordsSent() const { return filterWordsSent_; }

protected:
    // Just before a filter or gain word goes out, whether or not it arrives.
    void CountFilterWord() { ++filterWordsSent_; }

private:
    std::int32_t modelIndex_;
    std::int32_t unitClass_;
    Comm::CBasicTessikPort* port_;
    std::uint8_t enabled_ = 1;
    diagnostics::ConTypes::Progress* progress_ = nullptr;
    std::int64_t filterWordsSent_ = 0;
    // The progress the port asks about an abort; cleared when the unit goes.
    std::shared_ptr<std::atomic<diagnostics::ConTypes::Progress*>> watched_ = std::make_shared<std::atomic<diagnostics::ConTypes::Progress*>>(nullptr);
};

}  // namespace halvane::link::ConTypes
