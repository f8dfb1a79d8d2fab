/* Ralnet: the J5 protocol stack. Plain C interface, usable from C and C++.
 *
 * All multi-byte J5 header fields are big-endian on the wire. Fields of the structures below
 * are host order unless their comment says "wire order".
 */
#ifndef RALNET_J5_H
#define RALNET_J5_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define J5_API __attribute__((visibility("default")))
#else
#define J5_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Result codes ------------------------------------------------------------------------ */

typedef uint16_t J5Result;

enum {
    J5_FAILED = 0x0000,         /* an initialisation step failed */
    J5_OK = 0x0100,             /* initialised, started or set */
    J5_NOT_CONFIGURED = 0x600F, /* wrong interface state for the call */
    J5_UNKNOWN_PARAMETER_TYPE = 0x6010,
    J5_NO_SEND_CONNECTION = 0x6011,
    J5_NO_RECEIVE_CONNECTION = 0x6012,
    J5_SENT = 0x4000,              /* unreliable packet sent */
    J5_QUEUED = 0x2000,            /* reliable packet queued; low byte = connection state */
    J5_RESYNC_NOT_NEEDED = 0x1000, /* low byte = connection state */
    J5_ERR_NOT_STARTED = 0x8200,
    J5_ERR_NO_BUFFER = 0x8300, /* low byte = state when no buffer was left for the "HI" */
    J5_ERR_NO_CONNECTION = 0x8400,
    J5_ERR_BAD_ARGUMENT = 0x8500,
    J5_ERR_RELIABLE_MULTICAST = 0x8600,
    J5_ERR_RESYNC_NEEDED = 0x8704,
    J5_ERR_WINDOW_FULL = 0x8800,
    J5_ERR_WINDOW_NOT_EMPTY = 0x8900,
    J5_ERR_RESYNC_REFUSED = 0x8A00, /* low byte = state */
    J5_ERR_NO_DEST_IP = 0x8C00,
    J5_ERR_NO_UDP_SOCKET = 0x8D00
};

/* Codes of j5ConvertCauseToErrorCode. */
typedef uint16_t J5ErrorCode;

/* The cause word of an "HE" packet. */
typedef uint16_t J5ErrorCause;

enum {
    J5_CAUSE_RETRY_LIMIT = 0x8001,   /* never sent: a send connection's own give-up record */
    J5_CAUSE_NOT_CONNECTED = 0x8002, /* "HR" for an unknown or not-open connection */
    J5_CAUSE_NO_CONNECTION = 0x8003, /* "HI" and no receive connection could be made */
    J5_CAUSE_EVICTED = 0x8004        /* the receiver evicted its connection to this station */
};

/* ---- Packet types: the two ASCII letters as a host-order number ("HR" = 0x4852) ---------- */

enum {
    J5_TYPE_HR = 0x4852, /* reliable data */
    J5_TYPE_HH = 0x4848, /* acknowledgement */
    J5_TYPE_HI = 0x4849, /* connect request */
    J5_TYPE_HY = 0x4859, /* connect reply */
    J5_TYPE_HE = 0x4845, /* error reply */
    J5_TYPE_HU = 0x4855, /* unreliable data */
    J5_TYPE_HA = 0x4841, /* unreliable audio */
    J5_TYPE_DL = 0x444C, /* download data */
    J5_TYPE_HC = 0x4843, /* local resynchronisation request, never on the wire */
    J5_TYPE_HT = 0x4854  /* dropped silently on receive */
};

/* ---- J5HeaderBitMap: framing on send, path flags on receive ------------------------------- */

typedef uint16_t J5HeaderBitMap;

enum {
    J5_HBM_ETHERNET = 0x0001,
    J5_HBM_8021Q = 0x0002,
    J5_HBM_SNAP = 0x0004,
    J5_HBM_SHORT_HEADER = 0x0008,
    J5_HBM_FULL_HEADER = 0x0010,
    J5_HBM_IP = 0x0020,
    J5_HBM_UDP = 0x0040,
    J5_HBM_MAKER_SNAP = 0x0080,
    J5_HBM_OLDER_HU = 0x0100
};

/* ---- Wire layouts ---------------------------------------------------------------------- */

enum {
    J5_MAC_LEN = 6,
    J5_FULL_HEADER_LEN = 18,
    J5_SHORT_HEADER_LEN = 8,
    J5_OLDER_HU_HEADER_LEN = 12,
    J5_TYPE_ONLY_HEADER_LEN = 2,
    J5_MIN_FRAME_LEN = 60,
    J5_UDP_PORT = 47093,
    J5_UDP_MULTICAST_PORT = 47096
};

/* The full 18-byte header, as bytes (every field big-endian except the "HU" counter). */
typedef struct J5Header {
    uint8_t type[2];      /* two ASCII letters, first letter first */
    uint8_t senderMac[6]; /* own MAC of the sending station */
    uint8_t sequence[2];  /* "HU": running counter, low byte first */
    uint8_t destVdn[2];
    uint8_t srcVdn[2];
    uint8_t receiverIndex[2]; /* index the receiving station gave this connection */
    uint8_t senderIndex[2];   /* sending station's own index; 0xFFFF answers an unmatched packet */
} J5Header;

/* ---- Packet objects and rings ---------------------------------------------------------- */

/* Sender of a packet received by UDP. */
typedef struct J5UdpSource {
    uint8_t address[4]; /* IPv4, network order */
    uint16_t port;      /* host order */
} J5UdpSource;

/* A packet buffer from one of the three pools. Received packets are lent to the application,
 * which reads the fields marked (R) and gives the object back with J5FreePacketObj. */
typedef struct J5PacketObj {
    uint32_t sharedModeWords[3];
    uint16_t bufferClass;        /* 80, 352 or 1518 */
    uint32_t allocationTime;     /* system tick when taken from the pool */
    uint16_t freeAfterSend;      /* bit 0: the link layer gives the object back after sending */
    uint8_t* headerRef;          /* (R) the J5 header inside the buffer */
    uint8_t* linkDestinationRef; /* (R) received from Ethernet: frame start; else null */
    uint16_t pathFlags;          /* (R) J5HeaderBitMap of a received packet */
    uint16_t tagControlWord;     /* (R) received 802.1Q tag control word, wire order */
    void* sendAddressRef;        /* destMac of this object, or the UDP address record */
    uint8_t destMac[6];
    uint8_t destIp[4];
    uint16_t sendBitMap;
    uint16_t sendPayloadLength;
    uint16_t sendTagControlWord; /* wire order */
    uint16_t typeOfService;
    uint8_t* sendHeaderRef;
    uint32_t callerTag;        /* stored by J5AudioSend, not used */
    uint8_t* dataRef;          /* (R) received: the payload; sending: outermost header so far */
    uint16_t length;           /* (R) bytes from dataRef */
    J5UdpSource* udpSourceRef; /* (R) received by UDP: the sender; else null */
    /* Owned by the pool: */
    uint8_t* buffer; /* bufferClass bytes, followed by the class's guard word */
    void* poolOwner; /* the pool set this object belongs to */
    uint16_t inPool; /* 0 lent out, 1 in its pool, 2 withdrawn (found damaged) */
} J5PacketObj;

/* Ring of pointers with one writer and one reader; one slot always stays free. */
typedef struct J5Ring {
    uint16_t capacity;  /* slots of the array */
    uint16_t size;      /* slots in use for this ring, at most capacity */
    uint16_t lastIndex; /* size - 1 */
    void** array;       /* the caller's */
    uint16_t putIndex;
    uint16_t getIndex;
} J5Ring;

/* ---- Interface --------------------------------------------------------------------------- */

typedef struct J5IpSettings {
    uint8_t ownIp[4]; /* each field network order */
    uint8_t subnetMask[4];
    uint8_t ownSubnet[4]; /* ownIp AND subnetMask */
    uint8_t defaultGateway[4];
    uint8_t callServerIp[4];
} J5IpSettings;

typedef struct J5Configuration {
    uint16_t connections;        /* send and receive connections, base of the pool sizes; > 3 */
    uint32_t deliverHeldPackets; /* 1: held packets follow an error record to the error queue */
    uint16_t retryLimit;
    uint16_t furtherWords[3];
} J5Configuration;

/* Parameters of J5SetChannelParameters type 1. */
typedef struct J5ChannelParameters {
    uint16_t flags; /* 1: send connection, 2: receive connection */
    uint16_t pinned;
    uint16_t linkFlags; /* J5HeaderBitMap for a receive connection created here */
} J5ChannelParameters;

enum { J5_STATE_CLOSED = 0, J5_STATE_CONFIGURED = 1, J5_STATE_STARTED = 2 };

struct J5Interface; /* internal state: threads, locks, tables, pools */

/* Allocated by the caller; zeroed and owned by Ralnet between J5InitConfiguration and J5Close. */
typedef struct J5NetIf {
    uint16_t state;
    struct J5Interface* internals;
} J5NetIf;

typedef void (*J5CallBackRoutine)(void);

typedef struct KezPacketAdapter* KezPacketHandle; /* null: invalid */

/* ---- Exports --------------------------------------------------------------------------- */

J5_API J5Result J5Init(J5NetIf* ctx);
J5_API J5Result J5InitConfiguration(const J5Configuration* config, const char* adapterName, J5NetIf* ctx,
                                    const uint8_t* ownMac);
J5_API J5Result J5Start(const char* adapterName, J5NetIf* ctx, const J5IpSettings* ipSettings);
J5_API J5Result J5InitDefault(const char* adapterName, J5NetIf* ctx, const uint8_t* ownMac,
                              const J5IpSettings* ipSettings);
J5_API J5Result J5InitNTVuruv(const char* adapterName, J5NetIf* ctx, const uint8_t* ownMac,
                              const J5IpSettings* ipSettings);
J5_API void J5Close(J5NetIf* ctx);

J5_API J5Result J5SetChannelParameters(J5NetIf* ctx, const uint8_t* mac, uint16_t type, const void* parameters);
J5_API uint16_t j5SetS2DListLength(J5NetIf* ctx, const uint8_t* mac, const uint16_t* length);

J5_API J5Result J5Send(J5NetIf* ctx, uint16_t type, const uint8_t* destMac, uint16_t destVdn, uint16_t srcVdn,
                       const uint8_t* payload, uint16_t length, J5HeaderBitMap headerBitMap, const uint8_t* destIp,
                       const void* udpAddress, uint16_t ipTos, uint16_t tci);
J5_API J5Result J5IntrinsicSend(J5NetIf* ctx, uint16_t type, const uint8_t* destMac, uint16_t destVdn, uint16_t srcVdn,
                                const uint8_t* payload, uint16_t length, J5HeaderBitMap headerBitMap,
                                const uint8_t* destIp, const void* udpAddress, uint16_t ipTos, uint16_t tci);
J5_API J5Result J5ReSync(J5NetIf* ctx, const uint8_t* destMac, J5HeaderBitMap headerBitMap, const uint8_t* destIp,
                         const void* udpAddress, uint16_t ipTos, uint16_t tci);
J5_API J5Result J5AudioSend(J5NetIf* ctx, const uint8_t* destMac, const uint8_t* payload, uint16_t length,
                            J5HeaderBitMap headerBitMap, const uint8_t* destIp, const void* udpAddress, uint16_t ipTos,
                            uint16_t tci, uint32_t tag);
J5_API J5Result J5DownloadSend(J5NetIf* ctx, const uint8_t* destMac, const uint8_t* payload, uint16_t length,
                               J5HeaderBitMap headerBitMap, const uint8_t* destIp, const void* udpAddress,
                               uint16_t udpPort);
J5_API J5Result J5SendUNROlderRev(uint16_t version, J5NetIf* ctx, uint16_t type, const uint8_t* destMac, uint16_t word1,
                                  uint16_t word2, const uint8_t* payload, uint16_t length, J5HeaderBitMap headerBitMap);

J5_API J5PacketObj* J5ReceiveObj(J5NetIf* ctx, uint32_t unused1, uint32_t unused2);
J5_API J5PacketObj* J5AudioReceiveObj(J5NetIf* ctx, uint32_t unused1, uint32_t unused2);
J5_API J5PacketObj* J5ErrorReceiveObj(J5NetIf* ctx);
J5_API void J5EnableAudioPacketsToApp(J5NetIf* ctx, int on);
J5_API uint32_t JIP_j5_error_handler(J5NetIf* ctx);

/* Gives a packet object back to its own pool; null does nothing, a second give-back is ignored. */
J5_API void J5FreePacketObj(J5NetIf* ctx, J5PacketObj* packet);

J5_API void J5RingInit(J5Ring* ring, void** array, uint16_t n);
J5_API int J5RingBufPut(J5Ring* ring, void* pointer);
J5_API int J5RingBufGet(J5Ring* ring, void** out);
J5_API int J5RingIsEmpty(const J5Ring* ring);
J5_API int J5RingIsFull(const J5Ring* ring);
J5_API uint16_t J5RingGetUsedEntryCount(const J5Ring* ring);
J5_API uint16_t J5RingGetCurrentSize(const J5Ring* ring);

J5_API int J5SetPacketFilter(J5NetIf* ctx, uint32_t filter);
J5_API int J5SetMultiCastAddresses(J5NetIf* ctx, const uint8_t* macs, uint32_t lengthInBytes);
J5_API int J5GetAdapterNames(char* names, uint32_t namesSize, char* descriptions, uint32_t descriptionsSize);
J5_API KezPacketHandle KezPacketOpenAdapter(const char* adapterName);
/* Closes a handle of KezPacketOpenAdapter; null does nothing. */
J5_API void KezPacketCloseAdapter(KezPacketHandle adapter);

J5_API int IGMPJoinGroupToRcv(J5NetIf* ctx, const uint8_t* group, uint16_t word, uint16_t value);
J5_API int IGMPRegisterToLeave(J5NetIf* ctx, const uint8_t* group);
J5_API J5Result IPMyAddressCheck(const J5IpSettings* settings);
J5_API J5Result IPGWAddressCheck(const J5IpSettings* settings);

J5_API void J5SetSourceMACAddr(J5NetIf* ctx, const uint8_t* mac);
J5_API void J5GetSourceMACAddr(J5NetIf* ctx, uint8_t* mac);
J5_API int J5SetSourceAddress(J5NetIf* ctx, const uint8_t* mac, const uint8_t* ip);
J5_API void J5SetRcvGatewayMACAddr(J5NetIf* ctx, const uint8_t* mac);
J5_API int ARPNetGetMacAddrFromIP(J5NetIf* ctx, const uint8_t* ip, uint32_t wait, uint32_t tries, uint8_t* mac);
J5_API void J5SaveCallBackRoutineAddress(J5CallBackRoutine routine);
J5_API J5NetIf* J5GetCurrentInstancePointer(void);
J5_API void J5SetCurrentInstancePointer(J5NetIf* ctx, void* arena, void* lock);
J5_API void passPointers(J5NetIf* ctx, void* arena, void* lock);
J5_API J5ErrorCode j5ConvertCauseToErrorCode(J5Result result);
J5_API uint32_t j5GetTimeDiff(uint32_t tick);
J5_API uint32_t tickGet(void);
J5_API int sysClkRateGet(void);
J5_API void dbgfprintf(uint32_t code);
J5_API void wCrash(uint32_t code);

J5_API extern const uint8_t broadcast[6];       /* FF FF FF FF FF FF */
J5_API extern J5NetIf* pSavedJ5NetIf;           /* the context last passed to J5Init */
J5_API extern const uint8_t zeroMacAddress[6];  /* refused as a connection peer */
J5_API extern const uint8_t unZeroIPAddress[4]; /* no destination IP */

#ifdef __cplusplus
}
#endif

#endif /* RALNET_J5_H */
