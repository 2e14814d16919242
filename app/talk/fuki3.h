#pragma once
// The palk window's balloon, above and to the left of that window. The palk window writes its text
// into Label1 and shows and hides it; the balloon sets no text, no close timer and no always-on-top
// of its own. Any press closes it. GUI thread only.
#include "balloon_window.h"

// Image1, Label1, Instance() and Unload() come with balloon::Window.
class fuki3 : public balloon::Window<fuki3> {
    Q_OBJECT
public:
    // Loads the balloon beside palk (null: as if palk stood at 0, 0); it is shown by its caller.
    static fuki3* Open(QWidget* palk);

    void Form_Load(QWidget* palk);
    void Form_Unload();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    friend class balloon::Window<fuki3>;
    fuki3();
};
