// The names of the built-in test events, entry n - 1 holding the name of
// identifier n. Texts are the host's own and kept exactly as its test
// process reports them (spelling, letter case and blanks included).
#include "definitions/test_events.h"

namespace {

const char* const kTestEventNames[kTestEventIdCount] = {
    "PPP Dial Start",  // 1
    "PPP Dial Success",  // 2
    "PPP Dial Failure",  // 3
    "PPP Hungup",  // 4
    "PPP Drop",  // 5
    "FTP Download Connect Request",  // 6
    "FTP Download Connect Success",  // 7
    "FTP Download Connect Failure",  // 8
    "FTP Download Send RETR",  // 9
    "FTP Download Send RETR Failure",  // 10
    "FTP Download First Data",  // 11
    "FTP Download Last Data",  // 12
    "FTP Download Drop",  // 13
    "FTP Download Disconnect",  // 14
    "FTP Download Rest Failed",  // 15
    "Ping FTP Start",  // 16
    "FTP Upload Connect Request",  // 17
    "FTP Upload Connect Success",  // 18
    "FTP Upload Connect Failure",  // 19
    "FTP Upload Send STOR",  // 20
    "FTP Upload First Data",  // 21
    "FTP Upload Last Data",  // 22
    "FTP Upload Drop",  // 23
    "FTP Upload Disconnect",  // 24
    "FTP Upload Rest Failed",  // 25
    "Ping FTP Start",  // 26
    "HTTP Download Connect",  // 27
    "HTTP Download Send Get",  // 28
    "HTTP Download First Data",  // 29
    "HTTP Download Last Data",  // 30
    "HTTP Download Drop",  // 31
    "HTTP Download Disconnect",  // 32
    "POP3 Connect",  // 33
    "Email Download Send RETR",  // 34
    "Email Download First Data",  // 35
    "Email Download Last Data",  // 36
    "Email Download Drop",  // 37
    "POP3 Disconnect",  // 38
    "IMAP Connect",  // 39
    "IMAP Disconnect",  // 40
    "SMTP Connect",  // 41
    "Email Upload Send Mail",  // 42
    "Email Upload First Data",  // 43
    "Email Upload Last Data",  // 44
    "Email Upload Drop",  // 45
    "SMTP Disconnect",  // 46
    "Ping Start",  // 47
    "Ping Success",  // 48
    "Ping Failure",  // 49
    "Attach Success",  // 50
    "Attach Failure",  // 51
    "PDPActive Success",  // 52
    "PDPActive Failure",  // 53
    "Start Dial",  // 54
    "Start Dialed",  // 55
    "Hangup Dial",  // 56
    "Device Lost",  // 57
    "GPS Lost",  // 58
    "SMS Send Start",  // 59
    "SMS Send Success",  // 60
    "SMS Send Failure",  // 61
    "SMS Report Success",  // 62
    "SMS Report Failure",  // 63
    "SMS Receive Success",  // 64
    "SMS Receive Failure",  // 65
    "MMS Create Send Socket",  // 66
    "MMS Send WSP Connect Request",  // 67
    "MMS Send WSP Connect Success",  // 68
    "MMS Send WSP Connect Failure",  // 69
    "MMS Send Success",  // 70
    "MMS Send Failure",  // 71
    "MMS Push Received",  // 72
    "MMS Push Timeout",  // 73
    "MMS Create Receive Socket",  // 74
    "MMS Receive WSP Connect Request",  // 75
    "MMS Receive WSP Connect Success",  // 76
    "MMS Receive WSP Connect Failure",  // 77
    "MMS Receive Success",  // 78
    "MMS Receive Failure",  // 79
    "WAP Create Socket",  // 80
    "WAP Page Connect Gateway Request",  // 81
    "WAP Page Connect Gateway Success",  // 82
    "WAP Page Connect Gateway Failure",  // 83
    "WAP Page Request",  // 84
    "WAP Page Reply",  // 85
    "WAP Page Url Redirect",  // 86
    "WAP Page Get Url Success",  // 87
    "WAP Page Get Url Failure",  // 88
    "WAP Page Finish",  // 89
    "WAP Page Drop",  // 90
    "WAP Download Create Socket",  // 91
    "WAP Download Connect Gateway Request",  // 92
    "WAP Download Connect Gateway Success",  // 93
    "WAP Download Connect Gateway Failure",  // 94
    "WAP Download Request",  // 95
    "WAP Download Reply",  // 96
    "WAP Download Url Redirect",  // 97
    "WAP Download Get Url Success",  // 98
    "WAP Download Get Url Failure",  // 99
    "WAP Download Finish",  // 100
    "WAP Download Drop",  // 101
    "U-IMAP Send Connect Server Start",  // 102
    "U-IMAP Send Connect Server Success",  // 103
    "U-IMAP Send Connnect Server Failure",  // 104
    "U-IMAP Send Authentication Success",  // 105
    "U-IMAP Send Authentication Failure",  // 106
    "U-IMAP Send Success",  // 107
    "U-IMAP Send Failure",  // 108
    "U-IMAP Send Logout Success",  // 109
    "U-IMAP Send Logout Failure",  // 110
    "U-IMAP Push Received",  // 111
    "U-IMAP Push Timeout",  // 112
    "U-IMAP Recv Connect Server Start",  // 113
    "U-IMAP Recv Connect Server Success",  // 114
    "U-IMAP Recv Connect Server Failure",  // 115
    "U-IMAP Recv Authentication Success",  // 116
    "U-IMAP Recv Authentication Failure",  // 117
    "U-IMAP Recv Content Detail Success",  // 118
    "U-IMAP Recv Content Detail Failure",  // 119
    "U-IMAP Recv Success",  // 120
    "U-IMAP Recv Failure",  // 121
    "U-IMAP Recv Logout Success",  // 122
    "U-IMAP Recv Logout Failure",  // 123
    "Push Mail Send Connect Server Start",  // 124
    "Push Mail Send Connect Server Success",  // 125
    "Push Mail Send Connnect Server Failure",  // 126
    "Push Mail Send Authentication Success",  // 127
    "Push Mail Send Authentication Failure",  // 128
    "Push Mail Send Success",  // 129
    "Push Mail Send Failure",  // 130
    "Push Mail Send Logout Success",  // 131
    "Push Mail Send Logout Failure",  // 132
    "Push Mail Push Received",  // 133
    "Push Mail Push Timeout",  // 134
    "PESQ Finished",  // 135
    "Record Before Call",  // 136
    "单通",  // 137
    "啸叫",  // 138
    "Attach Start",  // 139
    "PDPActive Start",  // 140
    "Video Stream Start",  // 141
    "Video Stream First Data",  // 142
    "Video Stream Reproduction Start",  // 143
    "Video Stream Reproduction End",  // 144
    "Video Stream Finished",  // 145
    "Video Stream Drop",  // 146
    "VP Start Dial",  // 147
    "VP Start Dialed",  // 148
    "VP Setup",  // 149
    "VP Setup Timeout",  // 150
    "VP H245 Connect",  // 151
    "VP H245 Timeout",  // 152
    "VP Receive Audio",  // 153
    "VP Receive Video",  // 154
    "VP Finished",  // 155
    "VP Drop",  // 156
    "VP Hungup Dial",  // 157
    "AVET Finished",  // 158
    "PEVQ Finished",  // 159
    "VP Interrupt",  // 160
    "Timer Out Happend",  // 161
    "Cell Reselection",  // 162
    "Tag Event",  // 163
    "Force Event ",  // 164
    "Fetion Connect Gateway Success",  // 165
    "Fetion Request URI Success",  // 166
    "Fetion Request SIP Success",  // 167
    "Fetion Logon Success",  // 168
    "Fetion Logon Failure",  // 169
    "Fetion Login Start",  // 170
    "Fetion Login Success",  // 171
    "Fetion Login Failed",  // 172
    "Fetion Logout Start",  // 173
    "Fetion Logout Success",  // 174
    "Fetion Logout Failed",  // 175
    "Fetion Query Status Start",  // 176
    "Fetion Query Status Success",  // 177
    "Fetion Query Status Failed",  // 178
    "Fetion Call Start",  // 179
    "Fetion Call Success",  // 180
    "Fetion Call Failed",  // 181
    "Fetion Send Start",  // 182
    "Fetion Send Success",  // 183
    "Fetion Send Failed",  // 184
    "Fetion Recv Start",  // 185
    "Fetion Recv Success",  // 186
    "Fetion Recv Failed",  // 187
    "Fetion Offline",  // 188
    "23G test Start",  // 189
    "23G test Arrive Area",  // 190
    "23G test Stop",  // 191
    "MBMS Start",  // 192
    "MBMS Stop",  // 193
    "Handoff Success",  // 194
    "Handoff Failure",  // 195
    "EVDO To 1x Start",  // 196
    "EVDO To 1x Success",  // 197
    "1x To EVDO Start",  // 198
    "1x To EVDO Success",  // 199
    "Stop Logging",  // 200
    "Pause Logging",  // 201
    "Stop Test",  // 202
    "MOS Value Too Low",  // 203
    "DaTang Cell reselection start in TDD Mode",  // 204
    "DaTang Cell reselection Success in TDD Mode",  // 205
    "DaTang Cell reselection Failure in TDD Mode",  // 206
    "DaTang Handover Start from TDD to GSM",  // 207
    "DaTang Handover Success from TDD to GSM",  // 208
    "DaTang Handover Failure from TDD to GSM",  // 209
    "DaTang Cell reselection Start from TDD to GSM",  // 210
    "DaTang Cell reselection Failure from TDD to GSM",  // 211
    "DaTang Cell reselection Success from TDD to GSM",  // 212
    "DaTang Handover Start in GSM Mode",  // 213
    "DaTang Handover Success in GSM Mode",  // 214
    "DaTang Handover Failure in GSM Mode",  // 215
    "DaTang Cell reselection Start in GSM Mode",  // 216
    "DaTang Cell reselection Success in GSM Mode",  // 217
    "DaTang Cell reselection Failure in GSM Mode",  // 218
    "DaTang RAT measure Start in GSM Mode",  // 219
    "DaTang RAT measure Stop in GSM Mode",  // 220
    "DaTang Cell reselection Start from GSM to TDD",  // 221
    "DaTang Cell reselection Success from GSM to TDD",  // 222
    "DaTang Cell reselection Failure from GSM to TDD",  // 223
    "Multi_FTP Download Connect Start",  // 224
    "Multi_FTP Download Connect Success",  // 225
    "Multi_FTP Download Support Reset",  // 226
    "Multi_FTP Download Error Happend",  // 227
    "Multi_FTP Download Send Retr",  // 228
    "Multi_FTP Download First Data",  // 229
    "Multi_FTP Download Count Start",  // 230
    "Multi_FTP Download ReSend RetrCmd",  // 231
    "Multi_FTP Download Drop",  // 232
    "Multi_FTP Download Last Data",  // 233
    "Multi_FTP Download Disconnect",  // 234
    "Multi_FTP Upload Connect Start",  // 235
    "Multi_FTP Upload Connect Success",  // 236
    "Multi_FTP Upload Support Reset",  // 237
    "Multi_FTP Upload Error Happend",  // 238
    "Multi_FTP Upload Send Stor",  // 239
    "Multi_FTP Upload First Data",  // 240
    "Multi_FTP Upload Count Start",  // 241
    "Multi_FTP Upload ReSend StorCmd",  // 242
    "Multi_FTP Upload Drop",  // 243
    "Multi_FTP Upload Last Data",  // 244
    "Multi_FTP Upload Disconnect",  // 245
};

}  // namespace

const char* TestEventTableName(int id) {
  return id >= 1 && id <= kTestEventIdCount ? kTestEventNames[id - 1] : nullptr;
}
