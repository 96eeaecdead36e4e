// One conversion in the order every front end runs it.
#include "engine/conversion_pipeline.h"

namespace engine {

ConversionPipeline::ConversionPipeline(FileSystem& files, ConversionEngine::StampSource saveStamp, RetryClock& clock)
    : engine_(files, std::move(saveStamp)), clock_(clock)
{
}

std::optional<Failure> ConversionPipeline::load(const std::string& source)
{
    std::optional<Failure> failure = loadOnce(source);
    if (!failure || !failure->error.held) return failure;
    for (HeldTries tries(clock_.now());; tries.tried(clock_.now())) {
        clock_.sleepUntil(tries.next());
        failure = loadOnce(source);
        if (!failure || !failure->error.held) return failure;
        if (tries.over(clock_.now())) return Failure{Operation::Loading, {failure->error.number}};
    }
}

std::optional<Failure> ConversionPipeline::loadOnce(const std::string& source)
{
    if (auto error = engine_.g_DateiLaden(source)) return Failure{Operation::Loading, *error};
    engine_.DatenUebernehmen();
    engine_.DatenKonvertieren();
    return std::nullopt;
}

ConversionResult ConversionPipeline::save(const std::string& target)
{
    ReplacementBatch::Options options;
    options.clock = &clock_;
    ReplacementBatch single(engine_.files(), options);
    ConversionResult result = save(target, single);
    if (result.status != ConversionResult::Converted) return result;
    // A single save replaces what stands at the target, so that only a failure can keep it out.
    if (const std::optional<FileError> error = single.commit().front().error) {
        engine_.putBackPlaceholderStamp();
        return {ConversionResult::Failed, Failure{Operation::Saving, *error}};
    }
    return result;
}

ConversionResult ConversionPipeline::save(const std::string& target, ReplacementBatch& batch)
{
    if (!engine_.prepareForSaving(target)) return {ConversionResult::Inhibited, std::nullopt};
    std::string fileName = target;
    if (const std::optional<FileError> error = engine_.g_DateiSpeichern(fileName, batch)) {
        engine_.putBackPlaceholderStamp();
        return {ConversionResult::Failed, Failure{Operation::Saving, *error}};
    }
    return {ConversionResult::Converted, std::nullopt};
}

ConversionResult ConversionPipeline::convert(const std::string& source, const std::string& target,
                                             ReplacementBatch& batch)
{
    if (std::optional<Failure> failure = loadOnce(source)) return {ConversionResult::Failed, failure};
    return save(target, batch);
}

}  // namespace engine
