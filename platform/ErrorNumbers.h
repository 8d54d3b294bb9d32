#pragma once

#include <QtGlobal>

// Every error number the system raises, in one place. The numbers are what callers,
// tests and users have seen from the start: never renumber one.

// Raised by the runtime services (settings files, pictures, the shell, the catalogue file).
namespace KestrelErrorNumber {
constexpr qint32 InvalidProcedureCall = 5; // a value the call cannot take
constexpr qint32 Overflow = 6;
constexpr qint32 TypeMismatch = 13;
constexpr qint32 FileNotFound = 53;
constexpr qint32 FileAlreadyExists = 58;
constexpr qint32 PathFileAccessError = 75;
constexpr qint32 PathNotFound = 76;
constexpr qint32 InvalidPicture = 481;

// Raised by the environment settings when a property is given a bad value.
constexpr qint32 InvalidDatabasePath = 5000;
constexpr qint32 InvalidPathProperty = 5111; // default icon and the two dialog folders
constexpr qint32 InvalidNumberOfClicks = 501112;
} // namespace KestrelErrorNumber

// Raised by the database access layer itself (not by the engine).
namespace DatabaseErrorNumber {
constexpr qint32 ObjectClosed = 3704;
constexpr qint32 ObjectOpen = 3705;
constexpr qint32 NoCurrentRecord = 3021;
constexpr qint32 ItemNotFound = 3265;
constexpr qint32 NoDriver = 3706;
} // namespace DatabaseErrorNumber

// Raised by the picture loader.
namespace platform::PictureErrorNumber {
constexpr qint32 FileNotFound = KestrelErrorNumber::FileNotFound;
constexpr qint32 FileAccessError = KestrelErrorNumber::PathFileAccessError;
constexpr qint32 InvalidPicture = KestrelErrorNumber::InvalidPicture;
} // namespace platform::PictureErrorNumber
