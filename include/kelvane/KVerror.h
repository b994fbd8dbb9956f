/// \file
/// Error reporting for Kelvane.
///
/// The library never throws and never returns error codes. A bad argument or an
/// exhausted heap is reported through reportError() with a fixed English
/// message and the title "Error"; the operation then either goes on with a
/// defined substitute result, or (for the two fatal situations, a failed
/// allocation and a division by zero) the process ends with EXIT_FAILURE.
#ifndef KELVANE_KVERROR_H
#define KELVANE_KVERROR_H

#if defined(_WIN32)
#if defined(KELVANE_BUILDING_LIBRARY)
#define KELVANE_API __declspec(dllexport)
#else
#define KELVANE_API __declspec(dllimport)
#endif
#else
#define KELVANE_API __attribute__((visibility("default")))
#endif

/// Receives every report of the library: the title (always "Error") and the
/// message. A desktop program may show a dialog, a test may record the
/// messages. It may be called from any thread that uses the library; a handler
/// installed by an application must be safe for that.
typedef void (*KVErrorHandler)(const char* title, const char* message);

/// Installs `handler` for all later reports and returns the handler that was
/// in force. Passing nullptr restores the default handler, which writes one
/// line "Error: <message>" to standard error.
KELVANE_API KVErrorHandler KVsetErrorHandler(KVErrorHandler handler);

/// Reports `message` with the title "Error" through the installed handler and
/// returns; the caller goes on as its operation documents.
KELVANE_API void reportError(const char* message);

/// Reports `message` and ends the process with EXIT_FAILURE. Used only for
/// "Memory allocation failure." and "Division by zero".
[[noreturn]] KELVANE_API void reportFatal(const char* message);

#endif
