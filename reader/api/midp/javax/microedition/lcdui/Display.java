// Display.java - MIDP 1.0, signatures only.
package javax.microedition.lcdui;

import javax.microedition.midlet.MIDlet;

public class Display {
    private Display() {}
    public static Display getDisplay(MIDlet m) { return null; }
    public boolean isColor() { return false; }
    public int numColors() { return 0; }
    public Displayable getCurrent() { return null; }
    public void setCurrent(Displayable nextDisplayable) {}
    public void callSerially(Runnable r) {}
}
