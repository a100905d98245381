// MIDletStateChangeException.java - desktop test implementation.
package javax.microedition.midlet;

public class MIDletStateChangeException extends Exception {
}
