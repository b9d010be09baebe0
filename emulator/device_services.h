// Names the device's own programs share: the notification service
// (notifysvc.exe) and the device control tool (devctl.exe) that the `device`
// script runs inside the device. Every name lives in the device's one Wine
// prefix, so two devices never see each other's objects.
#ifndef MORVANE_EMULATOR_DEVICE_SERVICES_H
#define MORVANE_EMULATOR_DEVICE_SERVICES_H

#include <windows.h>

namespace device_services {

// Owned by the running service: a second one sees it and leaves.
constexpr wchar_t ServiceMutexName[] = L"DeviceNotificationService";
// Manual reset: set while the service serves its registrations.
constexpr wchar_t ServiceReadyName[] = L"DeviceNotificationServiceReady";
// Auto reset: ends the service.
constexpr wchar_t ShutdownRequestName[] = L"DeviceNotificationServiceShutdown";

// Manual reset: set once the input panel (inputpanel.exe) has its place on
// the task bar.
constexpr wchar_t InputPanelReadyName[] = L"DeviceInputPanelReady";

// The power button. One request at a time (PowerOnClientName); the service
// sets PowerOnDoneName once it has started every wake-up program.
constexpr wchar_t PowerOnRequestName[] = L"DevicePowerOnRequest";
constexpr wchar_t PowerOnDoneName[] = L"DevicePowerOnDone";
constexpr wchar_t PowerOnClientName[] = L"DevicePowerOnClient";

// What a started program finds as its arguments.
constexpr wchar_t WakeupArgument[] = L"AppRunAfterWakeup";
constexpr wchar_t TimedArgument[] = L"AppRunAtTime";

// The device's layout.
constexpr wchar_t StartupFolder[] = L"C:\\Windows\\StartUp";
constexpr wchar_t InstallKeyPath[] = L"Software\\Apps\\Quillon Software Morvane";
constexpr wchar_t InstallDirValue[] = L"InstallDir";
constexpr wchar_t InstallDir[] = L"\\Program Files\\Morvane\\";
// The Start menu's entry starts the program with its current folder on C:.
constexpr wchar_t MorvaneProgram[] = L"C:\\Program Files\\Morvane\\morvane.exe";
constexpr wchar_t MorvaneFolder[] = L"C:\\Program Files\\Morvane";
constexpr wchar_t SettingsKeyPath[] = L"Software\\Quillon Software\\Morvane";
constexpr wchar_t NextScheduledValue[] = L"NextScheduled";

} // namespace device_services

#endif
