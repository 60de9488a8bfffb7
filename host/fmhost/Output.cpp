#include "fmhost/Output.h"

#include <cstdio>

namespace fmhost {

std::string QuoteText(std::string_view utf8)
{
    std::string out = "\"";
    for (char c : utf8) {
        auto b = static_cast<unsigned char>(c);
        if (c == '\r') {
            out += "\xC2\xB6";
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", b);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string JsonString(std::string_view utf8)
{
    std::string out = "\"";
    for (char c : utf8) {
        auto b = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default:
            if (b < 0x20 || b == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", b);
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string StreamTypeName(std::uint32_t type)
{
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        auto c = static_cast<unsigned char>(type >> shift);
        if (c <= 0x20 || c >= 0x7F || c == ':' || c == '"') {
            char buf[16];
            std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(type));
            return buf;
        }
        s += static_cast<char>(c);
    }
    return s;
}

std::string FormatText(const LineResult& r)
{
    std::string out = std::to_string(r.line) + ": ";
    if (r.kind == "string") return out + "string " + QuoteText(r.text.value_or(""));
    if (r.kind == "sleep" || r.kind == "directive") return out + "ok";
    if (r.kind == "journal") return out + "journal " + r.text.value_or("none");
    if (r.kind == "desktop") return out + "desktop " + r.text.value_or("");
    if (r.kind == "external") return out + "external " + (r.text ? QuoteText(*r.text) : std::string("untouched"));
    if (r.kind != "calc") return out + "result " + std::to_string(r.result.value_or(0));

    out += "error " + std::to_string(r.error.value_or(0)) + " ";
    if (r.type == "text") return out + "text " + QuoteText(r.text.value_or(""));
    if (r.type == "container") {
        out += "container";
        if (r.streams)
            for (std::size_t i = 0; i < r.streams->size(); ++i) {
                out += " " + (*r.streams)[i].first + ":" + std::to_string((*r.streams)[i].second);
                for (const auto& [index, value] : r.streamValues)
                    if (index == i)
                        out += "=" + value;
            }
        if (r.file) out += " -> " + *r.file;
        return out;
    }
    if (r.number) return out + r.type + " " + *r.number;
    return out + "empty";
}

std::string FormatJson(const LineResult& r)
{
    auto str = [](const std::optional<std::string>& s) { return s ? JsonString(*s) : std::string("null"); };
    std::string out = "{\"line\":" + std::to_string(r.line);
    out += ",\"kind\":" + JsonString(r.kind);
    out += ",\"error\":" + (r.error ? std::to_string(*r.error) : std::string("null"));
    out += ",\"type\":" + (r.type.empty() ? std::string("null") : JsonString(r.type));
    out += ",\"text\":" + str(r.text);
    // "?" (not a number) has no JSON form.
    out += ",\"number\":" + (r.number && *r.number != "?" ? *r.number : std::string("null"));
    out += ",\"result\":" + (r.result ? std::to_string(*r.result) : std::string("null"));
    out += ",\"streams\":";
    if (r.streams) {
        out += "[";
        bool first = true;
        for (const auto& [type, bytes] : *r.streams) {
            if (!first) out += ",";
            first = false;
            out += "{\"type\":" + JsonString(type) + ",\"bytes\":" + std::to_string(bytes) + "}";
        }
        out += "]";
    } else {
        out += "null";
    }
    out += ",\"file\":" + str(r.file);
    return out + "}";
}

} // namespace fmhost
