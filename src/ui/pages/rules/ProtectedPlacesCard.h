#pragma once

#include <QWidget>

class QVBoxLayout;

namespace Sweepora::Core {
class ProtectedPlacesViewModel;
}

namespace Sweepora::Ui {

// "保护名单" on the rules page: the user's own protected folders, each with its path and a
// remove button, and "添加文件夹" that asks for one with the folder picker.
class ProtectedPlacesCard : public QWidget
{
    Q_OBJECT
public:
    explicit ProtectedPlacesCard(QWidget* parent = nullptr);

    Core::ProtectedPlacesViewModel& model() const { return *m_model; }

private:
    void rebuild();

    Core::ProtectedPlacesViewModel* m_model = nullptr;
    QVBoxLayout* m_rows = nullptr;
};

} // namespace Sweepora::Ui
