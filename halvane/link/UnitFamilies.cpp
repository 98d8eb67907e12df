#include "halvane/link/UnitFamilies.h"

#include "halvane/diagnostics/TException.h"

#include <string>

namespace ConTypes {

void ThrowNotYetImplemented(const char* operation) {
    throw halvane::TException(std::string(operation) + ": not yet implemented");
}

// The command sets arrive with their own work; until then every operation
// says so rather than report a success that did not happen.

void BztTolvarinePlatformV1Base::CheckFirmwareVersion() { ThrowNotYetImplemented("CheckFirmwareVersion"); }
void BztTolvarinePlatformV1Base::PowerOn() { ThrowNotYetImplemented("PowerOn"); }
void BztTolvarinePlatformV1Base::PowerOff(std::int32_t) { ThrowNotYetImplemented("PowerOff"); }
void BztTolvarinePlatformV1Base::PrepareMeasurement(std::int32_t) { ThrowNotYetImplemented("PrepareMeasurement"); }
void BztTolvarinePlatformV1Base::EndMeasurement() { ThrowNotYetImplemented("EndMeasurement"); }
void BztTolvarinePlatformV1Base::StartTestTone(std::int32_t, std::int32_t) { ThrowNotYetImplemented("StartTestTone"); }
void BztTolvarinePlatformV1Base::StopTestTone(std::int32_t, std::int32_t) { ThrowNotYetImplemented("StopTestTone"); }
void BztTolvarinePlatformV1Base::BeginSpeakerUpload() { ThrowNotYetImplemented("BeginSpeakerUpload"); }
void BztTolvarinePlatformV1Base::EndSpeakerUpload(std::int32_t) { ThrowNotYetImplemented("EndSpeakerUpload"); }
void BztTolvarinePlatformV1Base::PrepareUpload() { ThrowNotYetImplemented("PrepareUpload"); }
void BztTolvarinePlatformV1Base::EndUpload(std::int32_t) { ThrowNotYetImplemented("EndUpload"); }
void BztTolvarinePlatformV1Base::UploadSpeakerConfig(halvane::CHalvaneDoc*) { ThrowNotYetImplemented("UploadSpeakerConfig"); }
void BztTolvarinePlatformV1Base::UploadSpeakerLevels(halvane::CHalvaneDoc*) { ThrowNotYetImplemented("UploadSpeakerLevels"); }
void BztTolvarinePlatformV1Base::UploadCoefficients(bool, halvane::CHalvaneDoc*) { ThrowNotYetImplemented("UploadCoefficients"); }
bool BztTolvarinePlatformV1Base::VerifyCoefficients(halvane::CHalvaneDoc*, std::int32_t) { ThrowNotYetImplemented("VerifyCoefficients"); }
void BztTolvarinePlatformV1Base::UploadGains(bool, halvane::CHalvaneDoc*) { ThrowNotYetImplemented("UploadGains"); }
void BztTolvarinePlatformV1Base::SetupForMeasurement(Progress*) { ThrowNotYetImplemented("SetupForMeasurement"); }

void VuxV1Base::CheckFirmwareVersion() { ThrowNotYetImplemented("CheckFirmwareVersion"); }
void VuxV1Base::PowerOn() { ThrowNotYetImplemented("PowerOn"); }
void VuxV1Base::PowerOff(std::int32_t) { ThrowNotYetImplemented("PowerOff"); }
void VuxV1Base::PrepareMeasurement(std::int32_t) { ThrowNotYetImplemented("PrepareMeasurement"); }
void VuxV1Base::EndMeasurement() { ThrowNotYetImplemented("EndMeasurement"); }
void VuxV1Base::StartTestTone(std::int32_t, std::int32_t) { ThrowNotYetImplemented("StartTestTone"); }
void VuxV1Base::StopTestTone(std::int32_t, std::int32_t) { ThrowNotYetImplemented("StopTestTone"); }
void VuxV1Base::BeginSpeakerUpload() { ThrowNotYetImplemented("BeginSpeakerUpload"); }
void VuxV1Base::EndSpeakerUpload(std::int32_t) { ThrowNotYetImplemented("EndSpeakerUpload"); }
void VuxV1Base::PrepareUpload() { ThrowNotYetImplemented("PrepareUpload"); }
void VuxV1Base::EndUpload(std::int32_t) { ThrowNotYetImplemented("EndUpload"); }
void VuxV1Base::UploadSpeakerConfig(halvane::CHalvaneDoc*) { ThrowNotYetImplemented("UploadSpeakerConfig"); }
void VuxV1Base::UploadSpeakerLevels(halvane::CHalvaneDoc*) { ThrowNotYetImplemented("UploadSpeakerLevels"); }
void VuxV1Base::UploadCoefficients(bool, halvane::CHalvaneDoc*) { ThrowNotYetImplemented("UploadCoefficients"); }
bool VuxV1Base::VerifyCoefficients(halvane::CHalvaneDoc*, std::int32_t) { ThrowNotYetImplemented("VerifyCoefficients"); }
void VuxV1Base::UploadGains(bool, halvane::CHalvaneDoc*) { ThrowNotYetImplemented("UploadGains"); }
void VuxV1Base::SetupForMeasurement(Progress*) { ThrowNotYetImplemented("SetupForMeasurement"); }

}  // namespace ConTypes
