#pragma once
// The three document types, in the order they are registered: resource ids (which also name the
// menus and icons) and their template strings.

inline constexpr int kEncryptedDocTemplate = 200;
inline constexpr int kFileEncryptionTemplate = 155;
inline constexpr int kPlainDocTemplate = 129;

inline constexpr const char* kEncryptedDocString =
    "\nUntitled\n\nEncrypted Quorvan. File (*.qve)\n.qve\nQuorvanEncr.Document\nQuorvanEncrypted Document";
inline constexpr const char* kFileEncryptionDocString =
    "\n\n\nEncrypted File (*.~~~)\n.~~~\nEncrypted\nEncrypted File";
inline constexpr const char* kPlainDocString =
    "\nUntitled\nQuorvan\nNot Encrypted Quorvan. File (*.qvf)\n.qvf\nQuorvan.Document\nQuorvan Document";

inline constexpr const char* kAppTitle = "Quorvane";
