// MIDletStateChangeException.java - MIDP 1.0, signatures only.
package javax.microedition.midlet;

public class MIDletStateChangeException extends Exception {
    public MIDletStateChangeException() {}
    public MIDletStateChangeException(String s) {}
}
