#pragma once
// "スケジュール": the 24 entries of one day in a drawn list, editing one entry at a time,
// sending one day or all 31 days in a paced run, and clearing a day.

#include <QPixmap>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include "ui/widgets/settings_dialog.h"

class QComboBox;
class QLineEdit;
class QProgressBar;

namespace velta {

// The list area: shows what the dialog last drew into it. Painting only copies that picture;
// the drawing itself happens from the dialog's timer or right after a change.
class DrawnListArea : public QWidget {
    Q_OBJECT
public:
    DrawnListArea(int width, int height, QWidget* parent = nullptr);
    // Draws the texts at their positions, each over an opaque white background.
    void draw(const QList<QPair<QPoint, QString>>& texts);
    const QStringList& drawn_texts() const { return drawn_; }
    int draw_count() const { return draw_count_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QPixmap picture_;
    QStringList drawn_;
    int draw_count_ = 0;
};

class ScheduleDialog : public SettingsDialog {
    Q_OBJECT
public:
    explicit ScheduleDialog(QWidget* parent = nullptr);

    DrawnListArea* list_area() const { return list_; }
    QComboBox* day_list() const { return day_; }
    QComboBox* pattern_list() const { return pattern_; }
    QComboBox* hour_list() const { return hour_; }
    QComboBox* minute_list() const { return minute_; }
    QComboBox* page_list() const { return page_; }
    QLineEdit* percent_field() const { return percent_; }
    QProgressBar* progress() const { return progress_; }
    QTimer& repaint_timer() { return repaint_timer_; }

    void start_all_days();

private:
    void draw_list();
    void select_entry();
    void on_repaint_tick();

    DrawnListArea* list_ = nullptr;
    QComboBox* day_ = nullptr;
    QComboBox* pattern_ = nullptr;
    QComboBox* hour_ = nullptr;
    QComboBox* minute_ = nullptr;
    QComboBox* page_ = nullptr;
    QLineEdit* percent_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTimer repaint_timer_;
    int day_choice_ = 0;
    int pattern_choice_ = 0;
};

}  // namespace velta
