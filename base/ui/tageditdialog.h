#pragma once
// The tag editor ("Tag editor") for one or several rows. It collects what the user changed;
// base/core/tagedit.h decides what goes into each file.
#include "base/core/librarymodel.h"
#include "base/core/tagedit.h"

#include <QDialog>
#include <vector>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;

namespace wc::base {

class TagEditDialog final : public QDialog {
public:
    TagEditDialog(LibraryModel& model, std::vector<int> positions, bool keepGenre,
                  QWidget* parent = nullptr);
    bool keepGenreChecked() const;
    // What OK would apply (for tests and for accept()).
    TagChanges changes() const;
    bool storeEnabled() const { return single_; }
    StoreValues editedStore() const;
    // The result of the last OK.
    const TagApplyResult& result() const { return result_; }

    void pressAuto();
    void accept() override;

private:
    LibraryModel& model_;
    std::vector<int> positions_;
    bool single_;
    TrackTag start_{};
    StoreValues opened_{};
    TagApplyResult result_;

    QLineEdit* edTitle_;
    QLineEdit* edArtist_;
    QLineEdit* edAlbum_;
    QLineEdit* edYear_;
    QLineEdit* edComment_;
    QComboBox* cbGenre_;
    QCheckBox* cbId3v1_;
    QCheckBox* cbKeepGenre_;
    bool titleChanged_ = false, artistChanged_ = false, albumChanged_ = false, yearChanged_ = false,
         commentChanged_ = false, genreChanged_ = false, autoPressed_ = false;

    QDoubleSpinBox* sbIntro_;
    QDoubleSpinBox* sbOutro_;
    QCheckBox* cbFadeIn_;
    QDoubleSpinBox* sbFadeIn_;
    QCheckBox* cbMix_;
    QDoubleSpinBox* sbMix_;
    QCheckBox* cbFadeOut_;
    QDoubleSpinBox* sbFadeOut_;
    QLineEdit* edPlayCount_;
    QLineEdit* edBpm_;
    QLabel* lbLastPlay_;
};

} // namespace wc::base
