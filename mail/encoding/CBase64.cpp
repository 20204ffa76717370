#include "encoding/CBase64.h"

const char CBase64::base64Table[65] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

unsigned int CBase64::CalcEnecodedSize(unsigned int length)
{
    // 54 input bytes make one 72-character line plus CR LF; the last partial line is counted
    // without its line end, and always rounded up by a whole padding group.
    unsigned int q = length / 54;
    unsigned int t = (length % 54) * 4 / 3;
    return q * 74 + t + (4 - t % 4);
}
