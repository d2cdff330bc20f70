// Code tables of the item detail texts. Each table lists the codes the test
// process writes; any other code gives the table's fallback.
#include <fmt/format.h>

#include "detection/item_detail.h"

namespace {

struct CodeText {
  int32_t Code;
  const char* Text;
};

template <size_t N>
const char* lookup(const CodeText (&table)[N], int32_t code) {
  for (const CodeText& entry : table)
    if (entry.Code == code) return entry.Text;
  return nullptr;
}

template <size_t N>
std::string withErrCode(const CodeText (&table)[N], int32_t code) {
  const char* text = lookup(table, code);
  return text ? std::string(text) : fmt::format("Unknown(ErrCode: {})", code);
}

template <size_t N>
std::string withFallback(const CodeText (&table)[N], int32_t code, const char* fallback) {
  const char* text = lookup(table, code);
  return text ? text : fallback;
}

const CodeText dropReasons[] = {
    {1, "Timeout"},       {2, "Restart"},        {3, "No Response"}, {4, "Carrier Interrupt"}, {5, "3G324M Error"},
    {6, "MS Return Idle"}, {-101, "User stop"}, {-102, "PPP drop"},  {-103, "No data"},
};

const CodeText stopReasons[] = {{-102, "Timeout"}, {-101, "User stop"}};

const CodeText callEndReasons[] = {
    {0, "Normal Hangup"},   {1, "Blocked Call"},         {2, "Less than Duration Time"},
    {3, "DSP Error"},       {4, "RCU Switch Plan"},      {5, "Time Window Call End"},
    {6, "Stop Test"},       {7, "Stop Logging"},         {8, "Pause Logging"},
};

// Windows Sockets error codes, HTTP status codes and WSP abort codes.
const CodeText socketErrors[] = {
    {1, "WSP_ABORT_REDIRECT"},
    {225, "WSP_ABORT_DISCONNECT"},
    {400, "Bad Request"},
    {401, "Unauthorized"},
    {404, "Request Not Found"},
    {500, "Internal Server Error"},
    {502, "Bad Gateway"},
    {503, "Service Unavailable"},
    {10009, "File handle is not valid"},
    {10013, "Permission denied"},
    {10014, "Bad address"},
    {10022, "Invalid argument"},
    {10024, "Too many open files"},
    {10035, "Resource temporarily unavailable"},
    {10036, "Operation now in progress"},
    {10037, "Operation already in progress"},
    {10038, "Socket operation on nonsocket"},
    {10039, "Destination address required"},
    {10041, "Protocol wrong type for socket"},
    {10042, "Bad protocol option"},
    {10043, "Protocol not supported"},
    {10044, "Socket type not supported"},
    {10045, "Operation not supported"},
};

// The stored texts keep their spelling (and the trailing blank of 3).
const CodeText ftpFailures[] = {
    {1, "Loggin Failure"},
    {2, "Get File Size Failure"},
    {3, "Upload Directory Not Exists "},
    {4, "Create Socket Connect Fialure"},
};

const CodeText fetionSteps[] = {{0, "Connect Gateway"}, {1, "Request URI"}, {2, "Request SIP"}, {3, "Login Server"}};
const CodeText fetionTestTypes[] = {{1, "SMS->Fetion"}, {2, "Fetion->SMS"}, {3, "Fetion ->Fetion"}};
const CodeText directions[] = {{1, "Recv"}, {2, "Send"}};
const CodeText wapTestModes[] = {{0, "Logon"}, {1, "Refresh"}, {2, "Get Url List"}};
const CodeText downloadKinds[] = {{0, "Picture"}, {1, "Ring"}, {2, "KJava"}};
const CodeText resetSupport[] = {{0, "Support"}, {1, "NonSupport"}};

}  // namespace

std::string DropReasonText(int32_t code) { return withErrCode(dropReasons, code); }
std::string StopReasonText(int32_t code) { return withErrCode(stopReasons, code); }
std::string CallEndReasonText(uint32_t code) { return withErrCode(callEndReasons, static_cast<int32_t>(code)); }
std::string SocketErrorText(int32_t code) { return withErrCode(socketErrors, code); }

std::string FtpFailureText(int32_t code) {
  if (code == 101) return "101";
  return withFallback(ftpFailures, code, "UnKnown");
}

std::string FetionStepText(int32_t code) { return withFallback(fetionSteps, code, "Unknown"); }
std::string FetionTestTypeText(int32_t code) { return withFallback(fetionTestTypes, code, "Unknown"); }
std::string DirectionText(int32_t code) { return withFallback(directions, code, "Unknown"); }
std::string WapTestModeText(int32_t code) { return withFallback(wapTestModes, code, "Unknown"); }
std::string DownloadKindText(int32_t code) { return withFallback(downloadKinds, code, "Unknown"); }
std::string ResetSupportText(int32_t code) { return withFallback(resetSupport, code, "Unknown"); }
