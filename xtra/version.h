/* The Xtra's build number: the last part of its class version (0x40) and
   of its version resource. Read by the C++ code and the resource script. */
#ifndef KLV_XTRA_VERSION_H
#define KLV_XTRA_VERSION_H

#define KLV_XTRA_BUILD 64

#endif
