#pragma once
// The palk window's balloon, above and to the left of that window. The palk window writes its text
// into Label1 and shows and hides it; the balloon sets no text, no close timer and no always-on-top
// of its own. Any press closes it. GUI thread only.
#include "balloon_layout.h"

#include <QPointer>
#include <QWidget>

class fuki3 : public QWidget {
    Q_OBJECT
public:
    static fuki3* Instance();
    // Loads the balloon beside palk (null: as if palk stood at 0, 0); it is shown by its caller.
    static fuki3* Open(QWidget* palk);
    static void Unload();

    balloon::Label* Label1;
    QLabel* Image1;

    void Form_Load(QWidget* palk);
    void Form_Unload();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    fuki3();

    inline static QPointer<fuki3> open_;
};
