// mqtt.cfg: any bytes give settings that publish only when nothing was wrong, a warning exactly
// when a line was wrong, and topic levels that MQTT takes; what the program writes from them
// reads back the same.
//
// Input: the file's bytes.
#include "FuzzCheck.h"
#include "MqttSettings.h"

#include <cstdint>

using namespace qm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const MqttSettingsRead r = ParseMqttSettings(bytes);
    FUZZ_CHECK((r.failedLine == 0) == r.message.isEmpty());
    FUZZ_CHECK(r.failedLine >= 0 && r.failedLine <= bytes.count('\n') + 1);
    if (r.failedLine) FUZZ_CHECK(!r.settings.enabled);
    FUZZ_CHECK(r.settings.port >= 1 && r.settings.port <= 65535);
    FUZZ_CHECK(IsTopicLevel(r.settings.prefix, true));
    FUZZ_CHECK(r.settings.line.isEmpty() || IsTopicLevel(r.settings.line, false));
    if (r.failedLine == 0) {
        const MqttSettingsRead back = ParseMqttSettings(FormatMqttSettings(r.settings));
        // A value with a line break or a note sign after a blank cannot be written back as it was.
        bool writable = true;
        for (const QString& v : {r.settings.host, r.settings.tlsCa, r.settings.tlsCert, r.settings.tlsKey, r.settings.user, r.settings.passwordFile})
            writable = writable && !v.contains(u'\n') && !v.contains(u'\r') && !v.contains(QStringLiteral(" #")) && !v.contains(QStringLiteral("\t#"));
        if (writable) FUZZ_CHECK(back.failedLine == 0 && back.settings == r.settings);
    }
    return 0;
}
