#include "make_transform_command.h"

#include "diff_command.h"
#include "message_fill.h"
#include "msi_database.h"
#include "msi_record.h"
#include "msi_view.h"
#include "msiquery.h"
#include "output_file.h"

namespace deltalens {

namespace {

bool HasUpgradeCode(CMsiDatabase& database) {
    CMsiView view;
    if (!view.Open(&database, "SELECT `Value` FROM `Property` WHERE `Property` = 'UpgradeCode'") ||
        !view.Execute(0))
        return false;
    CMsiRecord row;
    std::string value;
    return view.Fetch(row) && row.GetString(0, value) && !value.empty();
}

constexpr OutputTexts kTransformTexts = {kTransformExistsFormat, kTransformIsPackageFormat,
                                         kTransformNotFileFormat, kCantWriteTransformFormat};

bool RefuseTarget(const MakeTransformSettings& settings, diag::OutcomeSink& sink) {
    return RefuseOutput(settings.transform, {settings.old_package, settings.new_package},
                        settings.replace, kTransformTexts, sink);
}

}  // namespace

int DefaultValidation(bool both_have_upgrade_code) {
    return kValidateLanguage | kValidateProduct |
           (both_have_upgrade_code ? kValidateUpgradeCode : 0);
}

MakeTransformOutcome MakeTransformFile(const MakeTransformSettings& settings,
                                       diag::OutcomeSink& sink) {
    const std::string& target = settings.transform;
    if (RefuseTarget(settings, sink)) return MakeTransformOutcome::kFailed;

    CMsiDatabase old_database;
    CMsiDatabase new_database;
    for (auto [database, path] : {std::pair{&old_database, &settings.old_package},
                                  std::pair{&new_database, &settings.new_package}}) {
        if (!OpenPackage(*database, *path, sink)) return MakeTransformOutcome::kFailed;
    }
    const int validation = settings.validation.value_or(
        DefaultValidation(HasUpgradeCode(old_database) && HasUpgradeCode(new_database)));

    TemporaryOutput temporary(target);
    if (temporary.path().empty()) {
        sink.Stop(diag::FillMessage(kCantWriteTransformFormat, {target}), temporary.error());
        return MakeTransformOutcome::kFailed;
    }
    const UINT generated = new_database.GenerateTransform(old_database, temporary.path());
    if (generated == ERROR_NO_DATA) {
        sink.Stop(
            diag::FillMessage(kPackagesSameFormat, {settings.old_package, settings.new_package}));
        return MakeTransformOutcome::kSame;
    }
    if (generated != ERROR_SUCCESS) {
        sink.Stop(diag::FillMessage(kCantMakeTransformFormat,
                                    {settings.old_package, settings.new_package}),
                  new_database.GetFailureText());
        return MakeTransformOutcome::kFailed;
    }
    const UINT summarised = new_database.CreateTransformSummaryInfo(
        old_database, temporary.path(), settings.error_conditions, validation);
    if (summarised != ERROR_SUCCESS) {
        sink.Stop(diag::FillMessage(kCantWriteSummaryFormat, {target}),
                  new_database.GetFailureText());
        return MakeTransformOutcome::kFailed;
    }
    old_database.Shutdown();
    new_database.Shutdown();
    if (settings.stop_requested && settings.stop_requested()) return MakeTransformOutcome::kStopped;
    // The target may have changed while the transform was made: checked
    // last, so that nothing but the rename comes after it.
    if (RefuseTarget(settings, sink)) return MakeTransformOutcome::kFailed;
    if (const std::string why = temporary.MoveTo(target, settings.replace); !why.empty()) {
        sink.Stop(diag::FillMessage(kCantWriteTransformFormat, {target}), why);
        return MakeTransformOutcome::kFailed;
    }
    return MakeTransformOutcome::kWritten;
}

}  // namespace deltalens
