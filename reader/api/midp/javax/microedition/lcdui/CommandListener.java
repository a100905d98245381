// CommandListener.java - MIDP 1.0, signatures only.
package javax.microedition.lcdui;

public interface CommandListener {
    void commandAction(Command c, Displayable d);
}
