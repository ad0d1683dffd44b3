#include "sim/FaultPlan.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "link/FtDriver.h"

namespace halvenmark::sim {

namespace {

enum class Value { None, Count, Probability, Reply2, Reply3 };

struct KindName {
    std::string_view name;
    FaultKind kind;
    Value value;
};

constexpr std::array<KindName, 12> kKinds{{
    {"refuse-writes", FaultKind::RefuseWrites, Value::Count},
    {"corrupt-reads", FaultKind::CorruptReads, Value::Count},
    {"bad-checksum-reads", FaultKind::BadChecksumReads, Value::Count},
    {"bad-header-reads", FaultKind::BadHeaderReads, Value::Count},
    {"silent-after", FaultKind::SilentAfter, Value::Count},
    {"ex-reply", FaultKind::ExReply, Value::Reply2},
    {"wake-reply", FaultKind::WakeReply, Value::Reply3},
    {"purge-fails", FaultKind::PurgeFails, Value::None},
    {"split-replies", FaultKind::SplitReplies, Value::None},
    {"drop", FaultKind::Drop, Value::Probability},
    {"flip", FaultKind::Flip, Value::Probability},
    {"store-flip", FaultKind::StoreFlip, Value::Probability},
}};

const KindName* kindByName(std::string_view name) {
    for (const KindName& k : kKinds) {
        if (k.name == name)
            return &k;
    }
    return nullptr;
}

const KindName& kindInfo(FaultKind kind) {
    for (const KindName& k : kKinds) {
        if (k.kind == kind)
            return k;
    }
    return kKinds.front();
}

}  // namespace

std::optional<Fault> parseFault(std::string_view text, std::string& error) {
    Fault fault{};
    if (const auto at = text.find('@'); at != std::string_view::npos) {
        const std::string_view scope = text.substr(at + 1);
        if (scope == "find") {
            fault.scope = FaultScope::Find;
        } else if (scope == "flash") {
            fault.scope = FaultScope::Flash;
        } else {
            error = "a fault acts @find or @flash, not @" + std::string(scope);
            return std::nullopt;
        }
        text = text.substr(0, at);
    }
    std::string_view value;
    const bool hasValue = text.find('=') != std::string_view::npos;
    if (hasValue) {
        value = text.substr(text.find('=') + 1);
        text = text.substr(0, text.find('='));
    }
    const KindName* kind = kindByName(text);
    if (kind == nullptr) {
        error = "unknown fault kind '" + std::string(text) + "'";
        return std::nullopt;
    }
    fault.kind = kind->kind;
    if (hasValue != (kind->value != Value::None)) {
        error = "fault '" + std::string(text) + (hasValue ? "' takes no value" : "' needs a value");
        return std::nullopt;
    }
    switch (kind->value) {
        case Value::None:
            break;
        case Value::Count: {
            const auto result =
                std::from_chars(value.data(), value.data() + value.size(), fault.count);
            if (result.ec != std::errc() || result.ptr != value.data() + value.size() ||
                fault.count < 0) {
                error = "fault '" + std::string(text) + "' needs a count, not '" +
                        std::string(value) + "'";
                return std::nullopt;
            }
            break;
        }
        case Value::Probability: {
            char* end = nullptr;
            const std::string copy(value);
            fault.probability = std::strtod(copy.c_str(), &end);
            if (copy.empty() || *end != '\0' || fault.probability < 0 || fault.probability > 1) {
                error = "fault '" + std::string(text) + "' needs a probability from 0 to 1";
                return std::nullopt;
            }
            break;
        }
        case Value::Reply2:
        case Value::Reply3: {
            const std::size_t length = kind->value == Value::Reply2 ? 2 : 3;
            if (value.size() != length) {
                error = "fault '" + std::string(text) + "' needs " + std::to_string(length) +
                        " characters";
                return std::nullopt;
            }
            fault.reply = std::string(value);
            break;
        }
    }
    return fault;
}

std::string describeFault(const Fault& fault) {
    const KindName& info = kindInfo(fault.kind);
    std::string text(info.name);
    // Appended piece by piece: GCC 12 warns (-Wrestrict, wrongly) on "=" + std::string.
    switch (info.value) {
        case Value::None:
            break;
        case Value::Count:
            text += '=';
            text += std::to_string(fault.count);
            break;
        case Value::Probability: {
            char number[32];
            std::snprintf(number, sizeof number, "%g", fault.probability);
            text += '=';
            text += number;
            break;
        }
        case Value::Reply2:
        case Value::Reply3:
            text += '=';
            text += fault.reply;
            break;
    }
    if (fault.scope == FaultScope::Find)
        text += "@find";
    if (fault.scope == FaultScope::Flash)
        text += "@flash";
    return text;
}

FaultPlan::FaultPlan(std::uint32_t seed, std::vector<Fault> faults) : random_(seed) {
    for (Fault& fault : faults) {
        faults_.push_back({std::move(fault), 0});
        faults_.back().remaining = faults_.back().fault.count;
    }
}

void FaultPlan::beginPress(FaultScope button) {
    pressing_ = button;
    if (button == FaultScope::Find) {
        firstFind_ = !findPressed_;
        findPressed_ = true;
    } else if (button == FaultScope::Flash) {
        firstFlash_ = !flashPressed_;
        flashPressed_ = true;
    }
}

void FaultPlan::endPress() {
    pressing_ = FaultScope::Always;
}

bool FaultPlan::acting(const Fault& fault) const {
    switch (fault.scope) {
        case FaultScope::Always:
            return true;
        case FaultScope::Find:
            return pressing_ == FaultScope::Find && firstFind_;
        case FaultScope::Flash:
            return pressing_ == FaultScope::Flash && firstFlash_;
    }
    return false;
}

FaultPlan::Active* FaultPlan::find(FaultKind kind) {
    for (Active& active : faults_) {
        if (active.fault.kind == kind && acting(active.fault)) {
            return &active;
        }
    }
    return nullptr;
}

bool FaultPlan::takeCount(FaultKind kind) {
    Active* active = find(kind);
    if (active == nullptr || active->remaining <= 0) {
        return false;
    }
    --active->remaining;
    return true;
}

bool FaultPlan::chance(double probability) {
    return probability > 0 && static_cast<double>(random_()) / 4294967296.0 < probability;
}

bool FaultPlan::refuseWrite() {
    return takeCount(FaultKind::RefuseWrites);
}
bool FaultPlan::corruptRead() {
    return takeCount(FaultKind::CorruptReads);
}
bool FaultPlan::badChecksumRead() {
    return takeCount(FaultKind::BadChecksumReads);
}
bool FaultPlan::badHeaderRead() {
    return takeCount(FaultKind::BadHeaderReads);
}

bool FaultPlan::silent() {
    Active* active = find(FaultKind::SilentAfter);
    if (active == nullptr) {
        return false;
    }
    if (active->remaining > 0) {
        --active->remaining;
        return false;
    }
    return true;
}

std::optional<std::string> FaultPlan::exReply() {
    const Active* active = find(FaultKind::ExReply);
    return active ? std::optional(active->fault.reply) : std::nullopt;
}

std::optional<std::string> FaultPlan::wakeReply() {
    const Active* active = find(FaultKind::WakeReply);
    return active ? std::optional(active->fault.reply) : std::nullopt;
}

bool FaultPlan::storeFlip() {
    const Active* active = find(FaultKind::StoreFlip);
    return active != nullptr && chance(active->fault.probability);
}

bool FaultPlan::purgeFails() {
    return find(FaultKind::PurgeFails) != nullptr;
}

bool FaultPlan::splitReplies() {
    return find(FaultKind::SplitReplies) != nullptr;
}

void FaultPlan::onReply(std::vector<std::uint8_t>& reply) {
    if (const Active* drop = find(FaultKind::Drop); drop && chance(drop->fault.probability)) {
        reply.clear();
        return;
    }
    if (const Active* flip = find(FaultKind::Flip); flip && chance(flip->fault.probability)) {
        const std::size_t position = random_() % reply.size();
        reply[position] ^= static_cast<std::uint8_t>(1u << (random_() % 8));
    }
}

}  // namespace halvenmark::sim
