// IPP messages as bytes on the wire, for the tests of the code that reads
// CUPS replies: a reply's opening attributes as cupsd writes them, its
// encoding, and a reading back as the connection reads a reply.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/posix/cups_connection.h"

namespace quelmar {

// A reply with status, request id 1, charset and language, as cupsd opens
// every reply.
inline IppMessage NewReplyMessage(ipp_status_t status) {
  IppMessage message(ippNew());
  ippSetVersion(message.get(), 2, 0);
  ippSetStatusCode(message.get(), status);
  ippSetRequestId(message.get(), 1);
  ippAddString(message.get(), IPP_TAG_OPERATION, IPP_TAG_CHARSET,
               "attributes-charset", nullptr, "utf-8");
  ippAddString(message.get(), IPP_TAG_OPERATION, IPP_TAG_LANGUAGE,
               "attributes-natural-language", nullptr, "en");
  return message;
}

// The message's encoding.
inline std::string IppBytes(ipp_t* message) {
  std::string bytes;
  ippWriteIO(
      &bytes,
      [](void* context, ipp_uchar_t* buffer, size_t length) -> ssize_t {
        static_cast<std::string*>(context)->append(
            reinterpret_cast<char*>(buffer), length);
        return static_cast<ssize_t>(length);
      },
      1, nullptr, message);
  return bytes;
}

// The bytes read back into a message; null when they are no whole message.
inline IppMessage ReadIppBytes(const std::string& bytes) {
  struct Cursor {
    const std::string& bytes;
    size_t position = 0;
  } cursor{bytes};
  IppMessage message(ippNew());
  ipp_state_t state = ippReadIO(
      &cursor,
      [](void* context, ipp_uchar_t* buffer, size_t length) -> ssize_t {
        auto* read = static_cast<Cursor*>(context);
        length = std::min(length, read->bytes.size() - read->position);
        std::memcpy(buffer, read->bytes.data() + read->position, length);
        read->position += length;
        return static_cast<ssize_t>(length);
      },
      1, nullptr, message.get());
  if (state != IPP_STATE_DATA) message.reset();
  return message;
}

}  // namespace quelmar
