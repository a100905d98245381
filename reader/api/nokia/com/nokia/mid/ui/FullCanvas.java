// FullCanvas.java - Nokia UI API, signatures only.
package com.nokia.mid.ui;

public abstract class FullCanvas extends javax.microedition.lcdui.Canvas {
    public static final int KEY_SOFTKEY1 = -6;
    public static final int KEY_SOFTKEY2 = -7;
    public static final int KEY_SOFTKEY3 = -5;
    public static final int KEY_SEND = -10;
    public static final int KEY_END = -11;
    public static final int KEY_UP_ARROW = -1;
    public static final int KEY_DOWN_ARROW = -2;
    public static final int KEY_LEFT_ARROW = -3;
    public static final int KEY_RIGHT_ARROW = -4;

    protected FullCanvas() {}
    public void addCommand(javax.microedition.lcdui.Command cmd) {}
    public void setCommandListener(javax.microedition.lcdui.CommandListener l) {}
}
