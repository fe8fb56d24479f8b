// The Security pane's print settings keys, which become the job's options.
// Beside the pane, the hosts (which never save its modes as a queue's
// defaults) and the scheduler set-up (which makes the credential values
// private to the job's owner) name them from here.
#pragma once

namespace securitypane {

// The PPD options of its three modes.
inline constexpr const char* kPrintModeKey = "PrintModeVN420P";
inline constexpr const char* kAuthenticationKey = "HVAuthenticationVN420P";
inline constexpr const char* kSectionManagementKey = "HVSectionManagementVN420P";

// Its own keys all begin so.
inline constexpr const char* kOwnKeyPrefix = "jp.halvern.printers.VN420P.";
inline constexpr const char* kUserTypeKey = "jp.halvern.printers.VN420P.userType";
inline constexpr const char* kSecureKeyKey = "jp.halvern.printers.VN420P.secureKey";
inline constexpr const char* kUserNameKey = "jp.halvern.printers.VN420P.userName";
inline constexpr const char* kUserKeyKey = "jp.halvern.printers.VN420P.userKey";
inline constexpr const char* kSectionNameKey = "jp.halvern.printers.VN420P.sectionName";
inline constexpr const char* kSectionKeyKey = "jp.halvern.printers.VN420P.sectionKey";
inline constexpr const char* kLoginNameKey = "jp.halvern.printers.VN420P.loginName";

// What names or authenticates a person: the three passwords (encrypted in a
// reversible form) and the two names. A file holding one is private.
inline constexpr const char* kCredentialKeys[] = {kSecureKeyKey, kUserNameKey, kUserKeyKey, kSectionNameKey,
                                                  kSectionKeyKey};
// What other users must not read in a job: the credentials and the login
// user's full name, which would tell whose a job is where the scheduler
// hides the owner.
inline constexpr const char* kPrivateJobKeys[] = {kSecureKeyKey,   kUserNameKey,   kUserKeyKey,
                                                  kSectionNameKey, kSectionKeyKey, kLoginNameKey};

}  // namespace securitypane
